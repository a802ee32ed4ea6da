#pragma once

#include "platform/ui/window/Window.h"

namespace vl::ui {

// A secondary window: never the main window, optionally floating above normal windows. A panel with the
// NonactivatingPanel style takes clicks without activating the application and stays on screen when the
// application hides.
class Panel : public Window {
 public:
  Panel(const Rect& contentRect, std::uint64_t styleMask) : Window(contentRect, styleMask) {}
  static std::shared_ptr<Panel> create(const Rect& contentRect, std::uint64_t styleMask) {
    return std::make_shared<Panel>(contentRect, styleMask);
  }

  bool canBecomeMainWindow() const override { return false; }

  // Floating panels sit at the floating level, above normal windows.
  void setFloatingPanel(bool floating) { setLevel(floating ? WindowLevel::Floating : WindowLevel::Normal); }

 private:
  bool becomesKeyOnlyIfNeeded_ = false;
  bool worksWhenModal_ = false;
};

}  // namespace vl::ui
