#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <string>

#include "platform/system/HotKeyCenter.h"
#include "platform/system/x11/X11EventLoop.h"

namespace vl {

// Hot keys as passive key grabs on the root window, on an event thread with its own connection. Each
// combination is grabbed four times, with and without Caps Lock and Num Lock, since X counts lock keys
// as modifiers. A combination another client holds fails with BadAccess, which becomes a refusal.
class X11HotKeyCenter final : public HotKeyCenter {
 public:
  // nullptr (logged) when the display cannot be opened.
  static std::shared_ptr<X11HotKeyCenter> create(const std::string& displayName);
  ~X11HotKeyCenter() override;

 protected:
  [[nodiscard]] bool grabCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) override;
  void releaseCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) override;

 private:
  explicit X11HotKeyCenter(std::unique_ptr<x11::X11Display> display);
  void start();
  void onEvent(XEvent& event);
  // Event thread only.
  bool grab(std::uint16_t keyCode, std::uint64_t modifierFlags);
  void ungrab(std::uint16_t keyCode, std::uint64_t modifierFlags);

  x11::X11EventLoop loop_;
  unsigned int numLockMask_ = Mod2Mask;
  // Event thread only: keys held and the server time of their last press, so a repeat is no new press.
  std::map<unsigned int, Time> down_;
};

}  // namespace vl
