#include "platform/system/x11/input/X11GlobalEventMonitor.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <unistd.h>

#include "platform/foundation/Log.h"
#include "platform/system/x11/input/X11KeyMap.h"
#include "platform/system/x11/window/X11Screens.h"

namespace vl {

std::shared_ptr<X11GlobalEventMonitor> X11GlobalEventMonitor::create(const std::string& displayName) {
  auto display = x11::X11Display::open(displayName);
  if (!display) return nullptr;
  std::shared_ptr<X11GlobalEventMonitor> monitor(new X11GlobalEventMonitor(std::move(display)));
  monitor->start();
  return monitor;
}

X11GlobalEventMonitor::X11GlobalEventMonitor(std::unique_ptr<x11::X11Display> display)
    : loop_(std::move(display)) {}

X11GlobalEventMonitor::~X11GlobalEventMonitor() { loop_.stop(); }

void X11GlobalEventMonitor::start() {
  x11::X11Display& x = loop_.display();
  Display* dpy = x.get();
  int event = 0, error = 0;
  int major = 2, minor = 2;
  if (!XQueryExtension(dpy, "XInputExtension", &xiOpcode_, &event, &error) ||
      XIQueryVersion(dpy, &major, &minor) != Success) {
    logWarningf("X11: the display \"%s\" lacks XInput 2.2; keys typed in other applications are not seen",
                x.name().c_str());
    return;
  }
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawKeyRelease);
  XISetMask(bits, XI_RawButtonPress);
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
  x11::X11ErrorTrap trap(dpy);
  XISelectEvents(dpy, x.root(), &mask, 1);
  if (!trap.sync()) {
    logWarning("X11: could not watch raw input events; keys typed in other applications are not seen");
    return;
  }
  available_ = true;
  refreshCapsLock();
  loop_.start("vl-x11-monitor", [this](XEvent& e) { onEvent(e); });
}

bool X11GlobalEventMonitor::handlePendingEvents(int timeoutMs) {
  if (!available_) return true;
  auto done = loop_.call<bool>(
      [this] {
        Display* dpy = loop_.display().get();
        // The round trip brings in everything the server sent before it.
        XSync(dpy, False);
        while (XPending(dpy) > 0) {
          XEvent event;
          XNextEvent(dpy, &event);
          onEvent(event);
        }
        return true;
      },
      timeoutMs);
  return done.value_or(false);
}

void X11GlobalEventMonitor::refreshCapsLock() {
  XkbStateRec state{};
  if (XkbGetState(loop_.display().get(), XkbUseCoreKbd, &state) == Success) {
    capsLock_ = state.locked_mods & LockMask;
  }
}

void X11GlobalEventMonitor::onEvent(XEvent& event) {
  Display* dpy = loop_.display().get();
  XGenericEventCookie& cookie = event.xcookie;
  if (cookie.type != GenericEvent || cookie.extension != xiOpcode_ || !XGetEventData(dpy, &cookie)) return;
  const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
  switch (cookie.evtype) {
    case XI_RawKeyPress:
      onKey(static_cast<unsigned int>(raw->detail), true, raw->flags & XIKeyRepeat);
      break;
    case XI_RawKeyRelease:
      onKey(static_cast<unsigned int>(raw->detail), false, false);
      break;
    case XI_RawButtonPress:
      onButton(static_cast<unsigned int>(raw->detail));
      break;
    default:
      break;
  }
  XFreeEventData(dpy, &cookie);
}

std::uint64_t X11GlobalEventMonitor::currentFlags() const {
  std::uint64_t flags = capsLock_ ? ui::ModifierFlags::CapsLock : 0;
  for (std::uint16_t key : heldModifiers_) flags |= x11::flagForModifierKey(key);
  return flags;
}

void X11GlobalEventMonitor::onKey(unsigned int xKeyCode, bool press, bool repeat) {
  const auto keyCode = x11::keyCodeForX(loop_.display().get(), xKeyCode);
  if (!keyCode) return;
  ui::EventType type;
  if (*keyCode == ui::KeyCode::CapsLock) {
    // The lock toggles on the press; the server has already applied it when the raw event arrives.
    if (!press) return;
    refreshCapsLock();
    type = ui::EventType::FlagsChanged;
  } else if (x11::flagForModifierKey(*keyCode)) {
    const bool changed = press ? heldModifiers_.insert(*keyCode).second : heldModifiers_.erase(*keyCode) > 0;
    if (!changed) return;
    type = ui::EventType::FlagsChanged;
  } else {
    type = press ? ui::EventType::KeyDown : ui::EventType::KeyUp;
  }
  if (focusIsOurs()) return;
  const std::uint64_t flags = currentFlags() | ui::implicitFlagsForKeyCode(*keyCode);
  std::string text;
  if (type != ui::EventType::FlagsChanged) {
    text = ui::charactersForKeyCode(*keyCode, flags & ui::ModifierFlags::Shift);
  }
  deliver(
      ui::Event::keyEvent(type, *keyCode, flags, text, ui::charactersForKeyCode(*keyCode, false), repeat));
}

void X11GlobalEventMonitor::onButton(unsigned int button) {
  // Buttons 1 and 3 are the left and the right one; wheel steps and others are of no interest.
  if (button != 1 && button != 3) return;
  if (focusIsOurs()) return;
  x11::X11Display& x = loop_.display();
  ::Window root = None, child = None;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(x.get(), x.root(), &root, &child, &rootX, &rootY, &winX, &winY, &mask)) return;
  // Measured like the screens, so the window placement finds the monitor that was clicked.
  const ui::Point where = x11::toolkitPointOfRoot(x.get(), rootX, rootY, x11::desktopScale());
  deliver(ui::Event::mouseEvent(button == 1 ? ui::EventType::LeftMouseDown : ui::EventType::RightMouseDown,
                                where, currentFlags()));
}

bool X11GlobalEventMonitor::focusIsOurs() {
  x11::X11Display& x = loop_.display();
  ::Window focus = None;
  int revert = 0;
  XGetInputFocus(x.get(), &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == x.root()) return false;
  // Asked afresh each time (window ids are reused); a few round trips per key press cost nothing.
  for (::Window w = focus; w != None; w = x11::parentWindow(x, w)) {
    if (auto pid = x11::cardinalProperty(x, w, "_NET_WM_PID")) return *pid == static_cast<long>(getpid());
  }
  return false;
}

}  // namespace vl
