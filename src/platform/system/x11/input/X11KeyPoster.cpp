#include "platform/system/x11/input/X11KeyPoster.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/foundation/Log.h"
#include "platform/system/x11/input/X11KeyMap.h"
#include "platform/ui/view/Event.h"

namespace vl {

namespace {

struct ModifierKey {
  std::uint64_t flag;
  int mapIndex;   // row of the modifier mapping
  KeySym keysym;  // the key pressed for it
};

constexpr ModifierKey kModifiers[] = {
    {ui::ModifierFlags::Shift, ShiftMapIndex, XK_Shift_L},
    {ui::ModifierFlags::Command, ControlMapIndex, XK_Control_L},
    {ui::ModifierFlags::Option, Mod1MapIndex, XK_Alt_L},
    {ui::ModifierFlags::Control, Mod4MapIndex, XK_Super_L},
};

bool isDown(const char keys[32], unsigned int keycode) {
  return keycode < 256 && (keys[keycode / 8] & (1 << (keycode % 8)));
}

}  // namespace

std::shared_ptr<X11KeyPoster> X11KeyPoster::create(const std::string& displayName) {
  auto display = x11::X11Display::open(displayName);
  if (!display) return nullptr;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  const bool xtest = XTestQueryExtension(display->get(), &eventBase, &errorBase, &major, &minor);
  if (!xtest)
    logWarningf("X11: the display \"%s\" lacks XTEST; pasting needs the user's own keystroke",
                display->name().c_str());
  return std::shared_ptr<X11KeyPoster>(new X11KeyPoster(std::move(display), xtest));
}

void X11KeyPoster::setModifiers(std::uint64_t modifierFlags) {
  Display* dpy = display_->get();
  char keys[32] = {};
  XQueryKeymap(dpy, keys);
  XModifierKeymap* map = XGetModifierMapping(dpy);
  for (const auto& m : kModifiers) {
    const bool wanted = modifierFlags & m.flag;
    bool held = false;
    for (int i = 0; map && i < map->max_keypermod; ++i) {
      const unsigned int keycode = map->modifiermap[m.mapIndex * map->max_keypermod + i];
      if (keycode == 0 || !isDown(keys, keycode)) continue;
      if (wanted) {
        held = true;
      } else {
        XTestFakeKeyEvent(dpy, keycode, False, CurrentTime);
        pressed_.erase(keycode);
      }
    }
    if (wanted && !held) {
      const unsigned int keycode = XKeysymToKeycode(dpy, m.keysym);
      if (keycode == 0) continue;
      XTestFakeKeyEvent(dpy, keycode, True, CurrentTime);
      pressed_.insert(keycode);
    }
  }
  if (map) XFreeModifiermap(map);
}

bool X11KeyPoster::postKeyEvent(std::uint16_t keyCode, std::uint64_t modifierFlags, bool keyDown) {
  if (!hasXTest_) return false;
  MutexLock lock(mutex_);
  Display* dpy = display_->get();
  const unsigned int keycode = x11::xKeyCodeFor(dpy, keyCode);
  if (keycode == 0) {
    logWarningf("X11: key code %u has no key on this keyboard; nothing posted", keyCode);
    return false;
  }
  x11::X11ErrorTrap trap(dpy);
  if (keyDown) {
    setModifiers(modifierFlags);
    XTestFakeKeyEvent(dpy, keycode, True, CurrentTime);
  } else {
    XTestFakeKeyEvent(dpy, keycode, False, CurrentTime);
    // Only what this poster pressed is let go; a modifier the user holds stays held.
    for (unsigned int modifier : pressed_) XTestFakeKeyEvent(dpy, modifier, False, CurrentTime);
    pressed_.clear();
  }
  return trap.sync();
}

}  // namespace vl
