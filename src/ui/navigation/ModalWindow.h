#pragma once

#include <memory>

#include "platform/ui/window/Window.h"

namespace vl {

// The base of the permission window: a plain window with an appear flag.
class ModalWindow : public ui::Window {
 public:
  using ui::Window::Window;
  bool appear() const { return appear_; }
  void setAppear(bool appear) { appear_ = appear; }

 private:
  bool appear_ = false;
};

// Owns a modal window; it adds nothing once the window is loaded.
class ModalWindowConntroller {
 public:
  explicit ModalWindowConntroller(std::shared_ptr<ModalWindow> window) : window_(std::move(window)) {}
  virtual ~ModalWindowConntroller() = default;
  virtual void windowDidLoad() {}
  const std::shared_ptr<ModalWindow>& window() const { return window_; }

 private:
  std::shared_ptr<ModalWindow> window_;
};

}  // namespace vl
