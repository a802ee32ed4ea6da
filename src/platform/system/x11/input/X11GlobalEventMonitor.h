#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/x11/X11EventLoop.h"

namespace vl {

// Watches the keyboard and mouse of the whole desktop through XInput2 raw events on the root window,
// on an event thread with its own connection. Raw events carry no modifier state, so the monitor keeps
// it from the modifier keys it sees go down and up. Events are passed on only while the input focus
// is on another program's window.
class X11GlobalEventMonitor final : public GlobalEventMonitor {
 public:
  // nullptr (logged) when the display cannot be opened; a display without XInput2 gives a monitor that
  // is not available and never reports anything.
  static std::shared_ptr<X11GlobalEventMonitor> create(const std::string& displayName);
  ~X11GlobalEventMonitor() override;

  bool isAvailable() const override { return available_; }
  // Returns once every event the server sent before the call has been handed on (to the main queue),
  // so a caller knows that nothing more is on its way; false when the event thread did not answer.
  bool handlePendingEvents(int timeoutMs = 2000);

 private:
  explicit X11GlobalEventMonitor(std::unique_ptr<x11::X11Display> display);
  void start();
  // Event thread only.
  void onEvent(XEvent& event);
  void onKey(unsigned int xKeyCode, bool press, bool repeat);
  void onButton(unsigned int button);
  std::uint64_t currentFlags() const;
  bool focusIsOurs();
  void refreshCapsLock();

  x11::X11EventLoop loop_;
  int xiOpcode_ = -1;
  bool available_ = false;
  // Event thread only.
  std::set<std::uint16_t> heldModifiers_;
  bool capsLock_ = false;
};

}  // namespace vl
