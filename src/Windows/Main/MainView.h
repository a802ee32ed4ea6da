#pragma once

#include <memory>

#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewController.h"

namespace vl {

// The rounded container of the main window's content.
class MainView : public ui::View {
 public:
  static constexpr double kCornerRadius = 10;

  explicit MainView(const ui::Rect& frame = {});
  static std::shared_ptr<MainView> create(const ui::Rect& frame = {}) {
    return std::make_shared<MainView>(frame);
  }
};

// The main window's content until its parts exist: an empty rounded view in the window colour that
// drags the window by its background.
class EmptyMainViewController : public ui::ViewController {
 public:
  static constexpr double kHeight = 500;

  static std::shared_ptr<EmptyMainViewController> create() {
    return std::make_shared<EmptyMainViewController>();
  }
  void loadView() override;
  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;
};

}  // namespace vl
