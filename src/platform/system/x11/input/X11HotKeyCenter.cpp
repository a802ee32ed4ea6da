#include "platform/system/x11/input/X11HotKeyCenter.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include "platform/foundation/Log.h"
#include "platform/system/x11/input/X11KeyMap.h"

namespace vl {

namespace {

constexpr int kCallTimeoutMs = 3000;

}  // namespace

std::shared_ptr<X11HotKeyCenter> X11HotKeyCenter::create(const std::string& displayName) {
  auto display = x11::X11Display::open(displayName);
  if (!display) return nullptr;
  std::shared_ptr<X11HotKeyCenter> center(new X11HotKeyCenter(std::move(display)));
  center->start();
  return center;
}

X11HotKeyCenter::X11HotKeyCenter(std::unique_ptr<x11::X11Display> display) : loop_(std::move(display)) {}

X11HotKeyCenter::~X11HotKeyCenter() { loop_.stop(); }

void X11HotKeyCenter::start() {
  Display* dpy = loop_.display().get();
  // Held keys repeat as presses only, without the releases in between, so a held hot key fires once.
  XkbSetDetectableAutoRepeat(dpy, True, nullptr);
  const unsigned int numLock = XKeysymToKeycode(dpy, XK_Num_Lock);
  if (XModifierKeymap* map = XGetModifierMapping(dpy)) {
    for (int mod = 0; numLock && mod < 8; ++mod) {
      for (int i = 0; i < map->max_keypermod; ++i) {
        if (map->modifiermap[mod * map->max_keypermod + i] == numLock) numLockMask_ = 1u << mod;
      }
    }
    XFreeModifiermap(map);
  }
  loop_.start("vl-x11-hotkeys", [this](XEvent& e) { onEvent(e); });
}

bool X11HotKeyCenter::grabCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  auto grabbed = loop_.call<bool>([=, this] { return grab(keyCode, modifierFlags); }, kCallTimeoutMs);
  return grabbed.value_or(false);
}

void X11HotKeyCenter::releaseCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  loop_.call<bool>(
      [=, this] {
        ungrab(keyCode, modifierFlags);
        return true;
      },
      kCallTimeoutMs);
}

bool X11HotKeyCenter::grab(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  x11::X11Display& x = loop_.display();
  const unsigned int keycode = x11::xKeyCodeFor(x.get(), keyCode);
  if (keycode == 0) {
    logWarningf("hot key: key code %u has no key on this keyboard", keyCode);
    return false;
  }
  const unsigned int mods = x11::stateForFlags(modifierFlags);
  x11::X11ErrorTrap trap(x.get());
  for (unsigned int locks : {0u, unsigned(LockMask), numLockMask_, LockMask | numLockMask_}) {
    XGrabKey(x.get(), static_cast<int>(keycode), mods | locks, x.root(), False, GrabModeAsync, GrabModeAsync);
  }
  if (trap.sync()) return true;
  if (trap.errorCode() != BadAccess)
    logWarningf("hot key: grabbing key code %u failed with error %d", keyCode, trap.errorCode());
  // Some of the four may have been granted; none may stay behind a refusal.
  ungrab(keyCode, modifierFlags);
  return false;
}

void X11HotKeyCenter::ungrab(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  x11::X11Display& x = loop_.display();
  const unsigned int keycode = x11::xKeyCodeFor(x.get(), keyCode);
  if (keycode == 0) return;
  const unsigned int mods = x11::stateForFlags(modifierFlags);
  x11::X11ErrorTrap trap(x.get());
  for (unsigned int locks : {0u, unsigned(LockMask), numLockMask_, LockMask | numLockMask_}) {
    XUngrabKey(x.get(), static_cast<int>(keycode), mods | locks, x.root());
  }
  trap.sync();
}

void X11HotKeyCenter::onEvent(XEvent& event) {
  if (event.type == KeyRelease) {
    down_.erase(event.xkey.keycode);
    return;
  }
  if (event.type != KeyPress) return;
  // A press of a key that is still down is the key repeating. Repeats come many times a second, so an
  // entry older than that is a release this client never saw, and the press is a new one.
  auto it = down_.find(event.xkey.keycode);
  const bool repeat = it != down_.end() && event.xkey.time - it->second < 600;
  down_[event.xkey.keycode] = event.xkey.time;
  if (repeat) return;
  const auto keyCode = x11::keyCodeForX(loop_.display().get(), event.xkey.keycode);
  if (!keyCode) return;
  deliverPress(*keyCode, x11::flagsForState(event.xkey.state));
}

}  // namespace vl
