#pragma once

#include <memory>

#include "platform/ui/window/Window.h"

namespace vl {

// Holds a window; adds nothing else.
class WindowController {
 public:
  explicit WindowController(std::shared_ptr<ui::Window> window = nullptr) : window_(std::move(window)) {}
  const std::shared_ptr<ui::Window>& window() const { return window_; }
  void setWindow(std::shared_ptr<ui::Window> window) { window_ = std::move(window); }

 private:
  std::shared_ptr<ui::Window> window_;
};

}  // namespace vl
