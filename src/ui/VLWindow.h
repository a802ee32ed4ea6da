#pragma once

#include <memory>

#include "platform/ui/window/Panel.h"
#include "platform/ui/window/Window.h"

namespace vl {

// The base of the application's windows: `appear` says whether the window is showing. Subclasses set it
// when they become key and clear it when they close, and the window registry reads it.
class VLWindow : public ui::Window {
 public:
  using ui::Window::Window;
  static std::shared_ptr<VLWindow> create(const ui::Rect& contentRect, std::uint64_t styleMask) {
    return std::make_shared<VLWindow>(contentRect, styleMask);
  }

  bool appear() const { return appear_; }
  void setAppear(bool appear) { appear_ = appear; }

 private:
  bool appear_ = false;
};

// The same for panels.
class VLPanel : public ui::Panel {
 public:
  using ui::Panel::Panel;
  static std::shared_ptr<VLPanel> create(const ui::Rect& contentRect, std::uint64_t styleMask) {
    return std::make_shared<VLPanel>(contentRect, styleMask);
  }

  bool appear() const { return appear_; }
  void setAppear(bool appear) { appear_ = appear; }

 private:
  bool appear_ = false;
};

}  // namespace vl
