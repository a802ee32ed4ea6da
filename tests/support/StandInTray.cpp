#include "support/StandInTray.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace vl::x11test {

StandInTray::StandInTray(const std::string& display, unsigned long panelColour, int panelX, int panelY)
    : d_(XOpenDisplay(display.c_str())) {
  const ::Window root = DefaultRootWindow(d_);
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.background_pixel = panelColour;
  panel_ = XCreateWindow(d_, root, panelX, panelY, 200, 40, 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixel, &a);
  XMapWindow(d_, panel_);
  owner_ = XCreateSimpleWindow(d_, root, -1, -1, 1, 1, 0, 0, 0);
  const Atom selection = XInternAtom(d_, "_NET_SYSTEM_TRAY_S0", False);
  XSetSelectionOwner(d_, selection, owner_, CurrentTime);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = root;
  e.xclient.message_type = XInternAtom(d_, "MANAGER", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = CurrentTime;
  e.xclient.data.l[1] = static_cast<long>(selection);
  e.xclient.data.l[2] = static_cast<long>(owner_);
  XSendEvent(d_, root, False, StructureNotifyMask, &e);
  XSync(d_, False);
}

StandInTray::~StandInTray() { XCloseDisplay(d_); }

::Window StandInTray::accept(int timeoutMs) {
  const Atom opcode = XInternAtom(d_, "_NET_SYSTEM_TRAY_OPCODE", False);
  for (int waited = 0; waited <= timeoutMs; waited += 5) {
    while (XPending(d_)) {
      XEvent e;
      XNextEvent(d_, &e);
      if (e.type == ClientMessage && e.xclient.message_type == opcode && e.xclient.data.l[1] == 0) {
        icon_ = static_cast<::Window>(e.xclient.data.l[2]);
        XReparentWindow(d_, icon_, panel_, 8, 8);
        XMapWindow(d_, icon_);
        XSync(d_, False);
        return icon_;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return None;
}

std::optional<std::pair<int, int>> StandInTray::iconCentre() {
  accept(0);
  // The panel is seen unmapped now and then when the window manager starts beside it: put it back.
  XWindowAttributes a{};
  if (XGetWindowAttributes(d_, panel_, &a) && a.map_state == IsUnmapped) {
    XMapRaised(d_, panel_);
    XSync(d_, False);
  }
  if (icon_ == None || !XGetWindowAttributes(d_, icon_, &a) || a.map_state != IsViewable) return std::nullopt;
  int x = 0, y = 0;
  ::Window child = None;
  XTranslateCoordinates(d_, icon_, DefaultRootWindow(d_), a.width / 2, a.height / 2, &x, &y, &child);
  return std::make_pair(x, y);
}

std::vector<unsigned long> StandInTray::pixels(int w, int h) {
  std::vector<unsigned long> out;
  XImage* image =
      XGetImage(d_, panel_, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!image) return out;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) out.push_back(XGetPixel(image, x, y) & 0xffffff);
  }
  XDestroyImage(image);
  return out;
}

bool StandInTray::writePicture(int w, int h, const std::string& name) {
  const std::vector<unsigned long> px = pixels(w, h);
  if (px.size() != static_cast<std::size_t>(w) * h) return false;
  std::filesystem::create_directories(std::string(VL_BINARY_DIR) + "/gallery");
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s));
  const int stride = cairo_image_surface_get_stride(s) / 4;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) data[y * stride + x] = static_cast<std::uint32_t>(px[y * w + x]);
  }
  cairo_surface_mark_dirty(s);
  const bool ok =
      cairo_surface_write_to_png(s, (std::string(VL_BINARY_DIR) + "/gallery/" + name + ".png").c_str()) ==
      CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

void StandInTray::setForeground(unsigned r, unsigned g, unsigned b) {
  // Normal, error, warning and success colours; only the first counts for icons.
  const long colours[12] = {r, g, b, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0};
  XChangeProperty(d_, owner_, XInternAtom(d_, "_NET_SYSTEM_TRAY_COLORS", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(colours), 12);
  XSync(d_, False);
}

}  // namespace vl::x11test
