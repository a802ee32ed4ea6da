#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "platform/system/x11/X11Display.h"

namespace vl::x11 {

// The picture of a drag in device pixels: premultiplied ARGB32 rows, top row first, and the pixel the
// pointer holds it by.
struct DragIconPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
  int grabX = 0;
  int grabY = 0;
  bool empty() const {
    return width <= 0 || height <= 0 || argb.size() != static_cast<std::size_t>(width) * height;
  }
};

// The window that carries a drag's picture under the pointer: override-redirect, typed as a drag icon for
// the compositor, and with an empty input shape, so the pointer (and the source's search for the window
// under it) passes through to whatever lies below. Translucent where a compositor blends ARGB windows;
// otherwise the picture stands on white. Lives on the thread of the connection it is given.
class X11DragIcon {
 public:
  explicit X11DragIcon(X11Display& x) : x_(x) {}
  ~X11DragIcon() { hide(); }
  X11DragIcon(const X11DragIcon&) = delete;
  X11DragIcon& operator=(const X11DragIcon&) = delete;

  // Shows the picture held at the root point; an empty picture shows nothing.
  void show(DragIconPixels pixels, int rootX, int rootY, bool argb);
  void move(int rootX, int rootY);
  void hide();
  // Paints the picture again where the server lost it; true when the event was the icon's.
  bool handle(const XEvent& event);
  ::Window window() const { return window_; }

 private:
  void paint();

  X11Display& x_;
  ::Window window_ = None;
  Colormap colormap_ = None;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  DragIconPixels pixels_;
};

}  // namespace vl::x11
