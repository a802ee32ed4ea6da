// X11WindowHost: events of the connection, turned into toolkit events.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <cmath>
#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/system/x11/input/X11Focus.h"
#include "platform/system/x11/input/X11KeyMap.h"
#include "platform/system/x11/window/X11WindowHost.h"

namespace vl::x11 {

namespace {

std::string utf8FromLatin1(const char* bytes, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

std::string lookupPlain(XKeyEvent e, unsigned int state) {
  e.state = state;
  char buffer[32];
  KeySym keysym = NoSymbol;
  const int n = XLookupString(&e, buffer, sizeof buffer, &keysym, nullptr);
  return utf8FromLatin1(buffer, n);
}

// Keys whose characters are the platform's own (Return, Tab, Delete, Escape, arrows, function keys),
// whatever the layout types for them.
bool platformCharacters(std::uint16_t code) {
  const std::string plain = ui::charactersForKeyCode(code, false);
  if (plain.empty()) return false;
  const auto c = static_cast<unsigned char>(plain[0]);
  return plain.size() > 1 || c < 0x20 || c == 0x7f;
}

constexpr std::uint16_t kUnknownKey = 0xffff;

}  // namespace

void X11WindowHost::handle(XEvent& event) {
  // The input method takes the keys of a dead key or compose sequence first.
  if (XFilterEvent(&event, None)) return;
  if (randrEvent_ >= 0 &&
      (event.type == randrEvent_ + RRScreenChangeNotify || event.type == randrEvent_ + RRNotify)) {
    XRRUpdateConfiguration(&event);
    readDesktop();
    return;
  }
  if (fixesEvent_ >= 0 && event.type == fixesEvent_ + XFixesSelectionNotify) {
    compositorChanged();
    return;
  }
  if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_ && xiOpcode_ >= 0) {
    if (XGetEventData(x_.get(), &event.xcookie)) {
      inputTwo(event.xcookie);
      XFreeEventData(x_.get(), &event.xcookie);
    }
    return;
  }
  if (event.type == MappingNotify) {
    XRefreshKeyboardMapping(&event.xmapping);
    return;
  }
  // Embedded pages change their own properties (whether they want to be mapped) before anything else.
  if (sockets_.handle(event)) return;
  if (desktopEvent(event)) return;
  if (drag_.handle(event)) return;
  if (event.type == DestroyNotify) {
    // Our own windows are forgotten before they are destroyed; one that is still known was destroyed
    // by another client.
    if (XWin* gone = byId(event.xdestroywindow.window); gone && event.xdestroywindow.event == gone->id)
      lost(*gone);
    return;
  }
  if (XWin* w = byId(event.xany.window)) windowEvent(*w, event);
}

bool X11WindowHost::desktopEvent(const XEvent& event) {
  if (event.type == PropertyNotify) {
    const Atom a = event.xproperty.atom;
    const bool desktop = (event.xproperty.window == x_.root() &&
                          (a == x_.atom("_NET_WORKAREA") || a == x_.atom("RESOURCE_MANAGER") ||
                           a == x_.atom("_NET_CURRENT_DESKTOP"))) ||
                         (event.xproperty.window == settingsOwner_ && a == x_.atom("_XSETTINGS_SETTINGS"));
    if (desktop) readDesktop();
    return true;
  }
  if (event.type == ClientMessage && event.xclient.window == x_.root() &&
      event.xclient.message_type == x_.atom("MANAGER")) {
    readDesktop();  // a settings manager started
    return true;
  }
  if (event.type == DestroyNotify && event.xdestroywindow.window == settingsOwner_) {
    settingsOwner_ = None;
    readDesktop();
    return true;
  }
  return false;
}

void X11WindowHost::windowEvent(XWin& w, XEvent& event) {
  const int number = w.traits.number;
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0 && callbacks_.exposed) callbacks_.exposed(number);
      return;
    case ConfigureNotify:
      return configured(w, event.xconfigure);
    case ReparentNotify:
      return reparented(w, event.xreparent);
    case MapNotify:
      w.viewable = true;
      if (w.popup) grab(w);
      if (w.wantFocus) takeFocus(w);
      return;
    case UnmapNotify:
      w.viewable = false;
      return;
    case FocusIn:
    case FocusOut:
      return focusChanged(w, event.xfocus);
    case KeyPress:
    case KeyRelease:
      return key(w, event.xkey);
    case ButtonPress:
    case ButtonRelease:
      return button(w, event.xbutton);
    case MotionNotify:
      return motion(w, event.xmotion);
    case EnterNotify:
    case LeaveNotify:
      return crossed(w, event.xcrossing);
    case ClientMessage:
      if (event.xclient.message_type == x_.atom("WM_PROTOCOLS") &&
          static_cast<Atom>(event.xclient.data.l[0]) == x_.atom("WM_DELETE_WINDOW") &&
          callbacks_.closeRequested) {
        callbacks_.closeRequested(number);
      }
      return;
    default:
      return;
  }
}

void X11WindowHost::configured(XWin& w, const XConfigureEvent& c) {
  PixelRect now{w.size.x, w.size.y, c.width, c.height};
  if (w.popup) {
    // Pop-ups stand where they were put; no manager moves them.
  } else if (c.send_event || !w.reparented) {
    // A manager's own event tells the place on the root, as does a real one while the root is the parent.
    now.x = c.x;
    now.y = c.y;
  } else if (c.width != w.size.width || c.height != w.size.height) {
    // A real event inside a frame comes with a resize; the place on the root is asked of the server. A
    // move alone inside a frame tells nothing: the frame may still be on its way to where the manager
    // puts it (it reparents first and places after), and a manager that moves the window owes us an
    // event of its own.
    int rx = 0, ry = 0;
    ::Window child = None;
    X11ErrorTrap trap(x_.get());
    if (XTranslateCoordinates(x_.get(), w.id, x_.root(), 0, 0, &rx, &ry, &child)) {
      now.x = rx;
      now.y = ry;
    }
  }
  tellPlace(w, now);
}

void X11WindowHost::reparented(XWin& w, const XReparentEvent& r) {
  w.reparented = r.parent != x_.root();
  // Back on the root (the manager let it go), the event's place is the root's.
  if (!w.reparented && !w.popup) tellPlace(w, {r.x, r.y, w.size.width, w.size.height});
}

void X11WindowHost::placeSeen(XWin& w, int x, int y, int rootX, int rootY) {
  // Only from inside the window: outside it (a grab) the two places are cut to whole pixels apart.
  if (w.popup || x < 0 || y < 0 || x >= w.size.width || y >= w.size.height) return;
  tellPlace(w, {rootX - x, rootY - y, w.size.width, w.size.height});
}

void X11WindowHost::tellPlace(XWin& w, const PixelRect& now) {
  if (now == w.size) return;
  w.size = now;
  if (callbacks_.moved) callbacks_.moved(w.traits.number, now);
}

void X11WindowHost::focusChanged(XWin& w, const XFocusChangeEvent& f) {
  if (f.detail == NotifyPointer || f.mode == NotifyGrab) return;
  if (f.type == FocusIn) {
    focused_ = w.traits.number;
    if (asked_ == focused_) asked_ = 0;
    if (w.xic) XSetICFocus(w.xic);
    // A window manager (or a page giving the keyboard back) puts the focus on the window itself; it
    // moves on to the proxy. Virtual details say it went to a window inside, which keeps it.
    const bool onItself = f.window == w.id && f.detail != NotifyVirtual && f.detail != NotifyNonlinearVirtual;
    if (onItself && w.focusProxy != None) {
      X11ErrorTrap trap(x_.get());
      XSetInputFocus(x_.get(), w.focusProxy, RevertToParent, CurrentTime);
    }
    return;
  }
  if (f.detail == NotifyInferior) return;
  // From the proxy to the window itself or to a page inside it: still ours.
  if (focusIsOnOrIn(x_, w.id)) return;
  if (focused_ == w.traits.number) focused_ = 0;
  if (w.xic) XUnsetICFocus(w.xic);
}

void X11WindowHost::crossed(XWin& w, const XCrossingEvent& c) {
  // Tracking areas follow the pointer's moves; the move across the edge tells them it came or left.
  if (c.mode != NotifyNormal) return;
  lastTime_ = c.time;
  placeSeen(w, c.x, c.y, c.x_root, c.y_root);
  // Scroll positions restart on entry: the pointer may have scrolled other windows meanwhile.
  scroll_.restart();
  auto e = ui::Event::mouseEvent(ui::EventType::MouseMoved, pointIn(w, c.x, c.y), flagsForState(c.state));
  if (callbacks_.input) callbacks_.input(w.traits.number, e);
}

void X11WindowHost::afterEvents() {
  drag_.tick();
  retryGrab();
  if (focused_ == reportedFocus_ && focusRequests_ == reportedRequests_) return;
  // Another application holding the focus while a window of ours is still to get it only passes through
  // (the window manager's choice as another of ours went): the program does not resign for it. Nor does
  // another window of ours that still holds it when the request was taken: keys typed right after the
  // hot key would go to that window. Should the request come to nothing, the tick after it gives up tells.
  if ((focused_ == 0 || focused_ != asked_) && focusOnItsWay()) return;
  if (focused_ != reportedFocus_) {
    if (reportedFocus_ > 0) sockets_.ownerActive(reportedFocus_, false);
    if (focused_ > 0) sockets_.ownerActive(focused_, true);
  }
  reportedFocus_ = focused_;
  reportedRequests_ = focusRequests_;
  if (callbacks_.focus) callbacks_.focus(focused_, focusRequests_);
}

void X11WindowHost::inputTwo(XGenericEventCookie& cookie) {
  if (cookie.evtype == XI_RawButtonPress) return sockets_.pointerPressed();
  if (cookie.evtype != XI_ButtonPress && cookie.evtype != XI_ButtonRelease && cookie.evtype != XI_Motion)
    return;
  const auto* d = static_cast<const XIDeviceEvent*>(cookie.data);
  XWin* w = byId(d->event);
  if (!w) return;
  unsigned int state =
      static_cast<unsigned int>(d->mods.effective) | static_cast<unsigned int>(d->group.effective << 13);
  for (int b = 1; b <= 5 && b < d->buttons.mask_len * 8; ++b) {
    if (XIMaskIsSet(d->buttons.mask, b)) state |= Button1Mask << (b - 1);
  }
  if (cookie.evtype == XI_Motion) {
    smoothScroll(*w, d);
    XMotionEvent m{};
    m.type = MotionNotify;
    m.window = d->event;
    m.time = d->time;
    m.x = static_cast<int>(d->event_x);
    m.y = static_cast<int>(d->event_y);
    m.x_root = static_cast<int>(d->root_x);
    m.y_root = static_cast<int>(d->root_y);
    m.state = state;
    motion(*w, m);
    return;
  }
  if (d->detail >= 4 && d->detail <= 7) {
    // A smooth device's notches already arrived as scroll valuators; wheelButtonScroll drops them.
    learnDevice(d->sourceid);
    if (!wheelButtonScroll(static_cast<unsigned>(d->detail),
                           (d->flags & XIPointerEmulated) || scroll_.isSmooth(d->sourceid)))
      return;
  }
  XButtonEvent b{};
  b.type = cookie.evtype == XI_ButtonPress ? ButtonPress : ButtonRelease;
  b.window = d->event;
  b.time = d->time;
  b.x = static_cast<int>(d->event_x);
  b.y = static_cast<int>(d->event_y);
  b.x_root = static_cast<int>(d->root_x);
  b.y_root = static_cast<int>(d->root_y);
  b.state = state;
  b.button = static_cast<unsigned int>(d->detail);
  button(*w, b);
}

void X11WindowHost::learnDevice(int device) {
  if (scroll_.knows(device)) return;
  std::vector<ScrollAxis> axes;
  int count = 0;
  XIDeviceInfo* info = XIQueryDevice(x_.get(), device, &count);
  for (int i = 0; info && count > 0 && i < info->num_classes; ++i) {
    if (info->classes[i]->type != XIScrollClass) continue;
    const auto* scroll = reinterpret_cast<const XIScrollClassInfo*>(info->classes[i]);
    axes.push_back({scroll->number, scroll->scroll_type == XIScrollTypeVertical, scroll->increment});
  }
  if (info) XIFreeDeviceInfo(info);
  scroll_.addDevice(device, axes);
}

void X11WindowHost::smoothScroll(XWin& w, const void* deviceEvent) {
  const auto* d = static_cast<const XIDeviceEvent*>(deviceEvent);
  learnDevice(d->sourceid);
  auto delta = scroll_.motion(d->sourceid,
                              setValuators(d->valuators.mask, d->valuators.mask_len, d->valuators.values));
  if (!delta || !callbacks_.input) return;
  const ui::Point at = pointIn(w, static_cast<int>(d->event_x), static_cast<int>(d->event_y));
  callbacks_.input(w.traits.number,
                   ui::Event::scrollEvent(at, delta->dx, delta->dy,
                                          flagsForState(static_cast<unsigned>(d->mods.effective))));
}

ui::Point X11WindowHost::pointIn(const XWin& w, int x, int y) const {
  const double s = state_.scale > 0 ? state_.scale : 1;
  return {x / s, static_cast<double>(w.size.height - y) / s};
}

void X11WindowHost::key(XWin& w, XKeyEvent& e) {
  lastTime_ = e.time;
  const bool press = e.type == KeyPress;
  const std::uint16_t code = keyCodeForX(x_.get(), e.keycode).value_or(kUnknownKey);
  std::uint64_t flags = flagsForState(e.state);
  const std::uint64_t modifier = flagForModifierKey(code);
  if (modifier != 0 || code == ui::KeyCode::CapsLock) {
    // X reports the state before the key; the toolkit wants it after.
    const std::uint64_t bit = modifier ? modifier : ui::ModifierFlags::CapsLock;
    flags = press ? (flags | bit) : (flags & ~bit);
    if (callbacks_.input)
      callbacks_.input(w.traits.number,
                       ui::Event::keyEvent(ui::EventType::FlagsChanged, code, flags, "", ""));
    return;
  }
  if (code != kUnknownKey) flags |= ui::implicitFlagsForKeyCode(code);
  const bool shift = (e.state & ShiftMask) != 0;
  const std::string ignoring = lookupPlain(e, e.state & (ShiftMask | LockMask));
  std::string characters;
  if (press && w.xic) {
    char buffer[64];
    KeySym keysym = NoSymbol;
    Status status = 0;
    int n = Xutf8LookupString(w.xic, &e, buffer, sizeof buffer - 1, &keysym, &status);
    if (status == XBufferOverflow) {
      std::string big(static_cast<std::size_t>(n) + 1, '\0');
      n = Xutf8LookupString(w.xic, &e, big.data(), n, &keysym, &status);
      characters.assign(big.data(), static_cast<std::size_t>(std::max(n, 0)));
    } else if (status == XLookupChars || status == XLookupBoth) {
      characters.assign(buffer, static_cast<std::size_t>(n));
    }
  } else {
    characters = lookupPlain(e, e.state);
  }
  std::string plain = ignoring;
  if (code != kUnknownKey && platformCharacters(code)) {
    characters = plain = ui::charactersForKeyCode(code, shift);
  } else if (e.state & (ControlMask | Mod4Mask)) {
    // With Command or Control held the characters are the key's own, as shortcuts expect ("v", not ^V).
    characters = ignoring;
  }
  bool repeat = false;
  if (press) {
    repeat = !keysDown_.insert(e.keycode).second;
  } else {
    keysDown_.erase(e.keycode);
  }
  auto event = ui::Event::keyEvent(press ? ui::EventType::KeyDown : ui::EventType::KeyUp, code, flags,
                                   characters, plain, repeat);
  if (callbacks_.input) callbacks_.input(w.traits.number, event);
}

void X11WindowHost::button(XWin& w, XButtonEvent& e) {
  lastTime_ = e.time;
  // Told before the press itself: what the press opens (a menu) is placed from the window's place.
  placeSeen(w, e.x, e.y, e.x_root, e.y_root);
  const bool press = e.type == ButtonPress;
  // The window still hears of the release, so the press it began ends as every press does.
  if (!press && drag_.active()) {
    drag_.motion(e.x_root, e.y_root, e.time);
    drag_.release(e.time);
  }
  if (press && w.grabbed && (e.x < 0 || e.y < 0 || e.x >= w.size.width || e.y >= w.size.height)) {
    if (callbacks_.outsideClick) callbacks_.outsideClick(w.traits.number);
    return;
  }
  const ui::Point at = pointIn(w, e.x, e.y);
  const std::uint64_t flags = flagsForState(e.state);
  if (e.button >= 4 && e.button <= 7) {
    const auto delta = wheelButtonScroll(e.button, false);
    if (press && delta && callbacks_.input) {
      callbacks_.input(w.traits.number, ui::Event::scrollEvent(at, delta->dx, delta->dy, flags));
    }
    return;
  }
  if (press) {
    // A click beside an embedded page takes the keyboard back from it.
    sockets_.ownerPressed(w.traits.number, focusTarget(w));
    const bool again = click_.button == e.button &&
                       e.time - click_.time <= static_cast<Time>(doubleClickMs_) &&
                       std::abs(e.x - click_.x) <= 4 && std::abs(e.y - click_.y) <= 4;
    click_ = {e.button, e.time, e.x, e.y, again ? click_.count + 1 : 1};
  }
  ui::EventType type;
  if (e.button == Button1) {
    type = press ? ui::EventType::LeftMouseDown : ui::EventType::LeftMouseUp;
  } else if (e.button == Button3) {
    type = press ? ui::EventType::RightMouseDown : ui::EventType::RightMouseUp;
  } else {
    type = press ? ui::EventType::OtherMouseDown : ui::EventType::OtherMouseUp;
  }
  if (callbacks_.input)
    callbacks_.input(w.traits.number, ui::Event::mouseEvent(type, at, flags, click_.count));
}

void X11WindowHost::motion(XWin& w, XMotionEvent& e) {
  // Only the latest of a run of moves matters; painting each one would fall behind the pointer.
  XEvent next;
  while (XEventsQueued(x_.get(), QueuedAlready) > 0) {
    XPeekEvent(x_.get(), &next);
    if (next.type != MotionNotify || next.xmotion.window != e.window) break;
    XNextEvent(x_.get(), &next);
    e = next.xmotion;
  }
  lastTime_ = e.time;
  placeSeen(w, e.x, e.y, e.x_root, e.y_root);
  // While a drag is out, the moves belong to it; our window would only read them as its own drag.
  if (drag_.active()) return drag_.motion(e.x_root, e.y_root, e.time);
  ui::EventType type = ui::EventType::MouseMoved;
  if (e.state & Button1Mask) {
    type = ui::EventType::LeftMouseDragged;
  } else if (e.state & Button3Mask) {
    type = ui::EventType::RightMouseDragged;
  } else if (e.state & Button2Mask) {
    type = ui::EventType::OtherMouseDragged;
  }
  if (callbacks_.input)
    callbacks_.input(w.traits.number,
                     ui::Event::mouseEvent(type, pointIn(w, e.x, e.y), flagsForState(e.state)));
}

}  // namespace vl::x11
