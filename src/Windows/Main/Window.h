#pragma once

#include <memory>

#include "platform/ui/window/Window.h"

namespace vl {

// A plain borderless window that takes the focus like the main window, without its shadow or the
// showing flag; becoming key names the main window as the key one.
class Window : public ui::Window {
 public:
  explicit Window(const ui::Rect& contentRect = {}, std::uint64_t styleMask = ui::WindowStyle::Borderless);
  static std::shared_ptr<Window> create(const ui::Rect& contentRect = {}) {
    return std::make_shared<Window>(contentRect);
  }
  bool canBecomeKeyWindow() const override { return true; }
  void becomeKeyWindow() override;
};

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
