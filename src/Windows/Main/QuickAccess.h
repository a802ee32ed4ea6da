#pragma once

#include <memory>

namespace vl {

namespace ui {
class ViewController;
}

// The live parts of the main and the record window, found through the window registry; nullptr when a
// window or its content is missing.
class QuickAccess {
 public:
  static std::shared_ptr<ui::ViewController> mainViewController();
  static std::shared_ptr<ui::ViewController> recordViewController();
};

}  // namespace vl
