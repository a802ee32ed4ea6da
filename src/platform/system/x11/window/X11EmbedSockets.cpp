#include "platform/system/x11/window/X11EmbedSockets.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <vector>

namespace vl::x11 {

namespace {

// The XEmbed messages and flags this side uses.
constexpr long kEmbeddedNotify = 0;
constexpr long kWindowActivate = 1;
constexpr long kWindowDeactivate = 2;
constexpr long kRequestFocus = 3;
constexpr long kFocusIn = 4;
constexpr long kFocusOut = 5;
constexpr long kFocusCurrent = 0;
constexpr long kInfoMapped = 1;
constexpr long kProtocolVersion = 0;

}  // namespace

X11EmbedSockets::X11EmbedSockets(X11Display& x, std::function<void(int, ::Window)> made)
    : x_(x), made_(std::move(made)) {}

X11EmbedSockets::~X11EmbedSockets() {
  for (auto& [n, s] : sockets_) {
    if (s.id != None) XDestroyWindow(x_.get(), s.id);
  }
}

X11EmbedSockets::Socket* X11EmbedSockets::bySocket(::Window id) {
  for (auto& [n, s] : sockets_) {
    if (s.id == id && id != None) return &s;
  }
  return nullptr;
}

X11EmbedSockets::Socket* X11EmbedSockets::byClient(::Window id) {
  for (auto& [n, s] : sockets_) {
    if (s.client == id && id != None) return &s;
  }
  return nullptr;
}

::Window X11EmbedSockets::clientOf(int surface) const {
  auto it = sockets_.find(surface);
  return it == sockets_.end() ? None : it->second.client;
}

void X11EmbedSockets::make(Socket& s, ::Window parent) {
  const PixelRect& f = s.placement.frame;
  XSetWindowAttributes a{};
  a.background_pixel = s.placement.background;
  a.border_pixel = 0;
  // Its own structure and the embedded window's creation, reparenting and end.
  a.event_mask = StructureNotifyMask | SubstructureNotifyMask;
  s.id = XCreateWindow(x_.get(), parent, static_cast<int>(f.x), static_cast<int>(f.y),
                       static_cast<unsigned>(std::max(1L, f.width)),
                       static_cast<unsigned>(std::max(1L, f.height)), 0, CopyFromParent, InputOutput,
                       CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &a);
  s.client = None;
  s.clientFocused = false;
  if (s.placement.visible) XMapWindow(x_.get(), s.id);
  // The window's number goes to another process, which asks the server about it at once: the server
  // must know the window by then, or the page is made outside it and never shows.
  XSync(x_.get(), False);
  if (made_) made_(s.placement.surface, s.id);
}

void X11EmbedSockets::place(::Window parent, const SurfacePlacement& p) {
  auto [it, fresh] = sockets_.try_emplace(p.surface);
  Socket& s = it->second;
  const SurfacePlacement old = s.placement;
  s.placement = p;
  if (!fresh && s.id != None && old.owner != p.owner) {
    // The view moved to another window: its page starts over in a child window there.
    X11ErrorTrap trap(x_.get());
    XDestroyWindow(x_.get(), s.id);
    s.id = None;
  }
  if (fresh || s.id == None) {
    if (parent != None) make(s, parent);
    return;
  }
  Display* dpy = x_.get();
  if (old.frame != p.frame) {
    XMoveResizeWindow(dpy, s.id, static_cast<int>(p.frame.x), static_cast<int>(p.frame.y),
                      static_cast<unsigned>(std::max(1L, p.frame.width)),
                      static_cast<unsigned>(std::max(1L, p.frame.height)));
  }
  if (old.background != p.background) {
    XSetWindowBackground(dpy, s.id, p.background);
    XClearWindow(dpy, s.id);
  }
  if (old.visible != p.visible) {
    if (p.visible) {
      XMapWindow(dpy, s.id);
    } else {
      // A hidden page cannot keep the keyboard.
      if (s.clientFocused) takeFocusBack(s, parent);
      XUnmapWindow(dpy, s.id);
    }
  }
}

void X11EmbedSockets::remove(int surface) {
  auto it = sockets_.find(surface);
  if (it == sockets_.end()) return;
  if (it->second.id != None) {
    X11ErrorTrap trap(x_.get());
    XDestroyWindow(x_.get(), it->second.id);
  }
  sockets_.erase(it);
}

void X11EmbedSockets::ownerGone(int owner) {
  std::vector<int> gone;
  for (auto& [n, s] : sockets_) {
    if (s.placement.owner == owner) gone.push_back(n);
  }
  for (int n : gone) {
    sockets_.erase(n);
    if (made_) made_(n, None);
  }
  activeOwners_.erase(owner);
}

void X11EmbedSockets::ownerRemade(int owner, ::Window parent) {
  for (auto& [n, s] : sockets_) {
    if (s.placement.owner == owner) make(s, parent);
  }
}

void X11EmbedSockets::send(::Window to, long message, long detail, long data1, long data2) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = to;
  e.xclient.message_type = x_.atom("_XEMBED");
  e.xclient.format = 32;
  e.xclient.data.l[0] = CurrentTime;
  e.xclient.data.l[1] = message;
  e.xclient.data.l[2] = detail;
  e.xclient.data.l[3] = data1;
  e.xclient.data.l[4] = data2;
  X11ErrorTrap trap(x_.get());
  XSendEvent(x_.get(), to, False, NoEventMask, &e);
}

void X11EmbedSockets::adopt(Socket& s, ::Window client) {
  if (s.client == client) return;
  s.client = client;
  s.clientFocused = false;
  X11ErrorTrap trap(x_.get());
  XSelectInput(x_.get(), client, PropertyChangeMask | StructureNotifyMask);
  send(client, kEmbeddedNotify, 0, static_cast<long>(s.id), kProtocolVersion);
  if (activeOwners_[s.placement.owner]) send(client, kWindowActivate);
  followInfo(s);
}

void X11EmbedSockets::followInfo(Socket& s) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  X11ErrorTrap trap(x_.get());
  const Atom info = x_.atom("_XEMBED_INFO");
  // A client without the property is mapped, as the protocol's older clients expect.
  bool mapped = true;
  if (XGetWindowProperty(x_.get(), s.client, info, 0, 2, False, info, &type, &format, &count, &after,
                         &data) == Success &&
      data && format == 32 && count >= 2) {
    mapped = (reinterpret_cast<const long*>(data)[1] & kInfoMapped) != 0;
  }
  if (data) XFree(data);
  if (mapped) {
    XMapWindow(x_.get(), s.client);
  } else {
    XUnmapWindow(x_.get(), s.client);
  }
}

bool X11EmbedSockets::pointerOver(const Socket& s, bool buttonDown) {
  if (s.id == None || !s.placement.visible) return false;
  ::Window root = None, child = None;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  X11ErrorTrap trap(x_.get());
  if (!XQueryPointer(x_.get(), s.id, &root, &child, &rx, &ry, &wx, &wy, &mask)) return false;
  const PixelRect& f = s.placement.frame;
  const bool over = wx >= 0 && wy >= 0 && wx < f.width && wy < f.height;
  return over && (!buttonDown || (mask & (Button1Mask | Button2Mask | Button3Mask)));
}

void X11EmbedSockets::pointerPressed() {
  pressedIn_ = 0;
  for (auto& [n, s] : sockets_) {
    if (s.client != None && pointerOver(s, false)) pressedIn_ = n;
  }
}

void X11EmbedSockets::giveFocus(Socket& s) {
  if (s.client == None || s.clientFocused) return;
  X11ErrorTrap trap(x_.get());
  XSetInputFocus(x_.get(), s.client, RevertToParent, CurrentTime);
  s.clientFocused = true;
  send(s.client, kWindowActivate);
  send(s.client, kFocusIn, kFocusCurrent);
}

void X11EmbedSockets::takeFocusBack(Socket& s, ::Window ownerWindow) {
  if (!s.clientFocused) return;
  s.clientFocused = false;
  X11ErrorTrap trap(x_.get());
  if (s.client != None) send(s.client, kFocusOut);
  if (ownerWindow != None) XSetInputFocus(x_.get(), ownerWindow, RevertToParent, CurrentTime);
}

void X11EmbedSockets::ownerPressed(int owner, ::Window ownerWindow) {
  pressedIn_ = 0;
  for (auto& [n, s] : sockets_) {
    if (s.placement.owner == owner) takeFocusBack(s, ownerWindow);
  }
}

void X11EmbedSockets::ownerActive(int owner, bool active) {
  if (activeOwners_[owner] == active) return;
  activeOwners_[owner] = active;
  for (auto& [n, s] : sockets_) {
    if (s.placement.owner != owner || s.client == None) continue;
    send(s.client, active ? kWindowActivate : kWindowDeactivate);
    if (!active) s.clientFocused = false;
  }
}

bool X11EmbedSockets::handle(XEvent& e) {
  if (sockets_.empty()) return false;
  switch (e.type) {
    case CreateNotify:
      if (Socket* s = bySocket(e.xcreatewindow.parent)) {
        adopt(*s, e.xcreatewindow.window);
        return true;
      }
      return bySocket(e.xcreatewindow.window) != nullptr;
    case ReparentNotify: {
      if (Socket* s = bySocket(e.xreparent.parent)) {
        adopt(*s, e.xreparent.window);
        return true;
      }
      // The embedded window left for elsewhere.
      if (Socket* s = byClient(e.xreparent.window)) {
        s->client = None;
        s->clientFocused = false;
        return true;
      }
      return bySocket(e.xany.window) != nullptr;
    }
    case DestroyNotify:
      if (Socket* s = byClient(e.xdestroywindow.window)) {
        s->client = None;
        s->clientFocused = false;
        return true;
      }
      return bySocket(e.xany.window) != nullptr;
    case PropertyNotify:
      if (Socket* s = byClient(e.xproperty.window)) {
        if (e.xproperty.atom == x_.atom("_XEMBED_INFO")) followInfo(*s);
        return true;
      }
      return false;
    case ClientMessage:
      if (e.xclient.message_type != x_.atom("_XEMBED")) return bySocket(e.xclient.window) != nullptr;
      if (Socket* s = bySocket(e.xclient.window)) {
        // A page asks for the keyboard when one of its parts takes the focus, on a click or by itself
        // on loading; only the click gets it, so typing keeps going to the search field.
        if (e.xclient.data.l[1] == kRequestFocus &&
            (pressedIn_ == s->placement.surface || pointerOver(*s, true))) {
          giveFocus(*s);
        }
        return true;
      }
      return false;
    default:
      // Maps, unmaps and configures of sockets and their embedded windows are ours alone.
      return bySocket(e.xany.window) != nullptr || byClient(e.xany.window) != nullptr;
  }
}

}  // namespace vl::x11
