#include "platform/system/x11/window/X11DragIcon.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstring>

#include "platform/foundation/Log.h"

namespace vl::x11 {

namespace {

// A picture larger than this is cut to it: a drag icon the size of a screen hides where it goes.
constexpr int kMaxSide = 1024;

}  // namespace

void X11DragIcon::show(DragIconPixels pixels, int rootX, int rootY, bool argb) {
  hide();
  if (pixels.empty()) return;
  if (pixels.width > kMaxSide || pixels.height > kMaxSide) {
    logDebugf("drag: a picture of %dx%d pixels is cut to %d", pixels.width, pixels.height, kMaxSide);
    DragIconPixels cut;
    cut.width = std::min(pixels.width, kMaxSide);
    cut.height = std::min(pixels.height, kMaxSide);
    cut.grabX = std::min(pixels.grabX, cut.width - 1);
    cut.grabY = std::min(pixels.grabY, cut.height - 1);
    cut.argb.resize(static_cast<std::size_t>(cut.width) * cut.height);
    for (int y = 0; y < cut.height; ++y)
      std::memcpy(&cut.argb[static_cast<std::size_t>(y) * cut.width],
                  &pixels.argb[static_cast<std::size_t>(y) * pixels.width],
                  static_cast<std::size_t>(cut.width) * 4);
    pixels = std::move(cut);
  }
  Display* dpy = x_.get();
  const int screen = DefaultScreen(dpy);
  XVisualInfo info{};
  XSetWindowAttributes a{};
  unsigned long mask = CWOverrideRedirect | CWBorderPixel | CWBackPixmap | CWSaveUnder;
  a.override_redirect = True;
  a.border_pixel = 0;
  a.background_pixmap = None;
  a.save_under = True;
  if (argb && XMatchVisualInfo(dpy, screen, 32, TrueColor, &info)) {
    visual_ = info.visual;
    depth_ = 32;
    colormap_ = XCreateColormap(dpy, x_.root(), visual_, AllocNone);
    a.colormap = colormap_;
    mask |= CWColormap;
  } else {
    visual_ = DefaultVisual(dpy, screen);
    depth_ = DefaultDepth(dpy, screen);
  }
  pixels_ = std::move(pixels);
  X11ErrorTrap trap(dpy);
  window_ = XCreateWindow(dpy, x_.root(), rootX - pixels_.grabX, rootY - pixels_.grabY,
                          static_cast<unsigned>(pixels_.width), static_cast<unsigned>(pixels_.height), 0,
                          depth_, InputOutput, visual_, mask, &a);
  const Atom dnd = x_.atom("_NET_WM_WINDOW_TYPE_DND");
  XChangeProperty(dpy, window_, x_.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&dnd), 1);
  // No input region: the pointer is always over what lies under the picture.
  XShapeCombineRectangles(dpy, window_, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
  XSelectInput(dpy, window_, ExposureMask);
  XMapRaised(dpy, window_);
  paint();
  XFlush(dpy);
}

void X11DragIcon::move(int rootX, int rootY) {
  if (window_ == None) return;
  XMoveWindow(x_.get(), window_, rootX - pixels_.grabX, rootY - pixels_.grabY);
  XRaiseWindow(x_.get(), window_);
  XFlush(x_.get());
}

bool X11DragIcon::handle(const XEvent& event) {
  if (window_ == None || event.type != Expose || event.xexpose.window != window_) return false;
  if (event.xexpose.count == 0) paint();
  return true;
}

void X11DragIcon::paint() {
  if (window_ == None) return;
  Display* dpy = x_.get();
  std::vector<std::uint32_t> shown = pixels_.argb;
  if (depth_ != 32) {
    // Premultiplied pixels over white, for a screen that cannot blend them.
    for (std::uint32_t& p : shown) {
      const std::uint32_t rest = 255 - (p >> 24);
      auto over = [&](int shift) {
        return std::min<std::uint32_t>(255, ((p >> shift) & 0xff) + rest) << shift;
      };
      p = 0xff000000u | over(16) | over(8) | over(0);
    }
  }
  GC gc = XCreateGC(dpy, window_, 0, nullptr);
  if (!putPixels(dpy, window_, gc, visual_, depth_, shown.data(), 0, 0, pixels_.width, pixels_.height))
    logWarning("drag: the picture could not be made for the screen");
  XFreeGC(dpy, gc);
}

void X11DragIcon::hide() {
  if (window_ == None) return;
  Display* dpy = x_.get();
  X11ErrorTrap trap(dpy);
  XDestroyWindow(dpy, window_);
  if (colormap_ != None) XFreeColormap(dpy, colormap_);
  window_ = None;
  colormap_ = None;
  pixels_ = {};
  XFlush(dpy);
}

}  // namespace vl::x11
