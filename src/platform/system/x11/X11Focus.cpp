#include "platform/system/x11/X11Focus.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace vl::x11 {

namespace {

std::mutex& memoryMutex() {
  static std::mutex m;
  return m;
}

::Window& memory() {
  static ::Window w = None;
  return w;
}

bool focusIsOnOrIn(X11Display& x, ::Window window) {
  ::Window focus = None;
  int revert = 0;
  XGetInputFocus(x.get(), &focus, &revert);
  for (int depth = 0; focus != None && focus != PointerRoot && depth < 16; ++depth) {
    if (focus == window) return true;
    focus = parentWindow(x, focus);
  }
  return false;
}

}  // namespace

void rememberFocusBeforeOurs(::Window window) {
  std::lock_guard lock(memoryMutex());
  memory() = window;
}

::Window focusBeforeOurs() {
  std::lock_guard lock(memoryMutex());
  return memory();
}

::Window inputFocus(X11Display& x) {
  ::Window focus = None;
  int revert = 0;
  XGetInputFocus(x.get(), &focus, &revert);
  if (focus == PointerRoot || focus == x.root()) return None;
  return focus;
}

::Window activeWindow(X11Display& x) {
  if (auto active = windowProperty(x, x.root(), "_NET_ACTIVE_WINDOW")) return *active;
  return inputFocus(x);
}

bool windowManagerRunning(X11Display& x) {
  auto check = windowProperty(x, x.root(), "_NET_SUPPORTING_WM_CHECK");
  if (!check) return false;
  // A stale property of a window manager that has gone names a window that no longer exists.
  auto self = windowProperty(x, *check, "_NET_SUPPORTING_WM_CHECK");
  return self && *self == *check;
}

bool activateWindow(X11Display& x, ::Window window, Time time, int waitMs) {
  if (window == None) return false;
  XWindowAttributes attributes{};
  {
    X11ErrorTrap trap(x.get());
    if (!XGetWindowAttributes(x.get(), window, &attributes) || !trap.sync()) return false;
  }
  if (attributes.map_state != IsViewable) return false;
  if (windowManagerRunning(x)) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = x.atom("_NET_ACTIVE_WINDOW");
    e.xclient.format = 32;
    e.xclient.data.l[0] = 2;
    e.xclient.data.l[1] = static_cast<long>(time);
    XSendEvent(x.get(), x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  }
  {
    X11ErrorTrap trap(x.get());
    XSetInputFocus(x.get(), window, RevertToParent, time);
  }
  const auto start = std::chrono::steady_clock::now();
  while (!focusIsOnOrIn(x, window)) {
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(waitMs)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace vl::x11
