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

}  // namespace vl
