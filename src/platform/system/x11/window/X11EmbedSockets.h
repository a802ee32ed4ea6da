#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <map>

#include "platform/system/x11/X11Display.h"
#include "platform/system/x11/window/X11Screens.h"

namespace vl::x11 {

// Where a native surface goes inside its toplevel window, copied on the main thread.
struct SurfacePlacement {
  int owner = 0;    // the toplevel window's number
  int surface = 0;  // the surface's number
  PixelRect frame;  // in the toplevel's pixels, top-left origin
  bool visible = false;
  unsigned long background = 0;  // a pixel value of the toplevel's visual
  bool operator==(const SurfacePlacement&) const = default;
};

// The child windows of our toplevel windows that other processes draw into (the web view helper's
// pages): each is the embedder's side of XEmbed. It maps the embedded window when that asks to be
// mapped, tells it when its toplevel is active, and keeps the keyboard with our own window: a page gets
// the focus only when the user clicks it (its request comes while a button is down over it) and gives
// it back on the next press in the rest of the toplevel. Lives on the window host's thread.
class X11EmbedSockets {
 public:
  // `made` reports each socket window made (after a toplevel was made anew as well), 0 when one went.
  X11EmbedSockets(X11Display& x, std::function<void(int surface, ::Window window)> made);
  ~X11EmbedSockets();
  X11EmbedSockets(const X11EmbedSockets&) = delete;
  X11EmbedSockets& operator=(const X11EmbedSockets&) = delete;

  void place(::Window parent, const SurfacePlacement& placement);
  void remove(int surface);
  // The toplevel's X window went (its sockets with it) or was made anew (its sockets are made again).
  void ownerGone(int owner);
  void ownerRemade(int owner, ::Window parent);
  // Events of sockets and embedded windows; false for any other window's.
  bool handle(XEvent& event);
  // A press in the toplevel outside its pages: the keyboard comes back to the toplevel.
  void ownerPressed(int owner, ::Window ownerWindow);
  // A button went down anywhere on the display (a raw event): notes whether it was over a page, so
  // the page's request for the keyboard that follows the click is granted even after the release.
  void pointerPressed();
  // The toplevel got or lost the keyboard focus; its pages draw themselves active or not.
  void ownerActive(int owner, bool active);
  // The embedded window of a surface, None when nothing is embedded (tests).
  ::Window clientOf(int surface) const;

 private:
  struct Socket {
    SurfacePlacement placement;
    ::Window id = None;
    ::Window client = None;
    bool clientFocused = false;
  };

  void make(Socket& s, ::Window parent);
  void adopt(Socket& s, ::Window client);
  void followInfo(Socket& s);
  void send(::Window to, long message, long detail = 0, long data1 = 0, long data2 = 0);
  bool pointerOver(const Socket& s, bool buttonDown);
  void giveFocus(Socket& s);
  void takeFocusBack(Socket& s, ::Window ownerWindow);
  Socket* bySocket(::Window id);
  Socket* byClient(::Window id);

  X11Display& x_;
  std::function<void(int, ::Window)> made_;
  std::map<int, Socket> sockets_;
  std::map<int, bool> activeOwners_;
  // The surface the last press anywhere went down over; 0 for none of ours.
  int pressedIn_ = 0;
};

}  // namespace vl::x11
