#include "platform/system/x11/X11TrayIcon.h"
// clang-format off
// The toolkit's headers before any X11 header: Xlib's macros (Status, None) would break them.
#include "platform/dispatch/Dispatch.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Screen.h"
// clang-format on

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/system/x11/X11EventLoop.h"

namespace vl::x11 {

namespace {

constexpr long kRequestDock = 0;
constexpr long kXEmbedMapped = 1;
constexpr int kDefaultSize = 24;
// The largest square of the tray's background read to learn its shade, in pixels a side.
constexpr int kSampleSide = 32;

// Relative luminance of a colour, 0 (black) to 1 (white).
double luminance(double r, double g, double b) { return 0.2126 * r + 0.7152 * g + 0.0722 * b; }

// One channel of a pixel by the visual's mask, 0 to 1.
double channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const unsigned long max = mask >> shift;
  return static_cast<double>((pixel & mask) >> shift) / static_cast<double>(max);
}

// Whether the pixels of an image are dark on average, read through the visual's colour masks.
std::optional<bool> darkOnAverage(XImage* image, const Visual* visual) {
  if (!image || !visual || image->width <= 0 || image->height <= 0) return std::nullopt;
  double sum = 0;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      sum += luminance(channel(p, visual->red_mask), channel(p, visual->green_mask),
                       channel(p, visual->blue_mask));
    }
  }
  return sum / (static_cast<double>(image->width) * image->height) < 0.5;
}

}  // namespace

// Everything of the tray on the X thread: the icon window, the manager it is docked in, the pictures.
struct X11TrayIcon::XSide {
  explicit XSide(X11Display& display) : x(display) {}
  ~XSide() {
    if (window != None) {
      X11ErrorTrap trap(x.get());
      XDestroyWindow(x.get(), window);
    }
    if (colormap != None) XFreeColormap(x.get(), colormap);
  }

  X11Display& x;
  Atom selection = None;
  ::Window manager = None;
  ::Window window = None;
  Visual* visual = nullptr;
  int depth = 0;
  Colormap colormap = None;
  int width = kDefaultSize, height = kDefaultSize;
  bool wanted = false;  // a status item wants an icon
  bool absenceLogged = false;
  std::vector<dbus::IconPixmap> pixmaps;
  std::function<void(int rootX, int rootY, int rootHeight, bool secondary)> click;
  // The shade of the tray behind the icon (true: dark), as last learnt, and whether the background is
  // still to be sampled (when the tray gives no colours): at the next draw, once the icon is on screen.
  std::optional<bool> dark;
  bool sampleWanted = false;
  std::function<void(std::optional<bool> dark)> shadeChanged;
  // Told when the icon docked in a tray (true) and when the tray went away (false).
  std::function<void(bool docked)> dockChanged;

  void start() {
    const int screen = DefaultScreen(x.get());
    selection = x.atom("_NET_SYSTEM_TRAY_S" + std::to_string(screen));
    // A tray that starts announces itself to the root window with a MANAGER message.
    XSelectInput(x.get(), x.root(), StructureNotifyMask);
    findManager();
  }

  void findManager() {
    XGrabServer(x.get());
    manager = XGetSelectionOwner(x.get(), selection);
    if (manager != None) XSelectInput(x.get(), manager, StructureNotifyMask | PropertyChangeMask);
    XUngrabServer(x.get());
    XFlush(x.get());
  }

  // The manager's preferred visual when it offers one with an alpha channel.
  void chooseVisual() {
    const int screen = DefaultScreen(x.get());
    visual = DefaultVisual(x.get(), screen);
    depth = DefaultDepth(x.get(), screen);
    if (manager == None) return;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    X11ErrorTrap trap(x.get());
    if (XGetWindowProperty(x.get(), manager, x.atom("_NET_SYSTEM_TRAY_VISUAL"), 0, 1, False, XA_VISUALID,
                           &type, &format, &count, &after, &data) == Success &&
        data && count == 1 && format == 32) {
      XVisualInfo want{};
      want.visualid = static_cast<VisualID>(*reinterpret_cast<unsigned long*>(data));
      int n = 0;
      XVisualInfo* info = XGetVisualInfo(x.get(), VisualIDMask, &want, &n);
      if (info && n > 0 && info->depth == 32) {
        visual = info->visual;
        depth = 32;
      }
      if (info) XFree(info);
    }
    if (data) XFree(data);
  }

  void createWindow() {
    chooseVisual();
    XSetWindowAttributes a{};
    unsigned long mask = CWEventMask | CWBorderPixel;
    a.event_mask = ButtonPressMask | ButtonReleaseMask | ExposureMask | StructureNotifyMask;
    a.border_pixel = 0;
    if (depth == 32) {
      colormap = XCreateColormap(x.get(), x.root(), visual, AllocNone);
      a.colormap = colormap;
      a.background_pixel = 0;
      mask |= CWColormap | CWBackPixel;
    } else {
      // The panel's own background shows through where the picture is transparent.
      a.background_pixmap = ParentRelative;
      mask |= CWBackPixmap;
    }
    window = XCreateWindow(x.get(), x.root(), 0, 0, kDefaultSize, kDefaultSize, 0, depth, InputOutput, visual,
                           mask, &a);
    width = height = kDefaultSize;
    XClassHint hint{const_cast<char*>("vellisto"), const_cast<char*>("Vellisto")};
    XSetClassHint(x.get(), window, &hint);
    XStoreName(x.get(), window, "Vellisto");
    const long info[2] = {0, kXEmbedMapped};
    XChangeProperty(x.get(), window, x.atom("_XEMBED_INFO"), x.atom("_XEMBED_INFO"), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
  }

  void setShade(std::optional<bool> shade) {
    if (shade == dark) return;
    dark = shade;
    if (shadeChanged) shadeChanged(dark);
  }

  // The tray's foreground colour (_NET_SYSTEM_TRAY_COLORS, its normal colour first): a light one is drawn
  // on a dark background. nullopt when the tray gives none.
  std::optional<bool> shadeFromTrayColours() {
    if (manager == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    X11ErrorTrap trap(x.get());
    std::optional<bool> shade;
    if (XGetWindowProperty(x.get(), manager, x.atom("_NET_SYSTEM_TRAY_COLORS"), 0, 12, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 32 && count >= 3) {
      const auto* c = reinterpret_cast<const unsigned long*>(data);
      auto unit = [](unsigned long v) { return static_cast<double>(std::min(v, 65535UL)) / 65535.0; };
      shade = luminance(unit(c[0]), unit(c[1]), unit(c[2])) > 0.5;
    }
    if (data) XFree(data);
    return shade;
  }

  void learnShade() {
    if (auto shade = shadeFromTrayColours()) {
      sampleWanted = false;
      setShade(shade);
      return;
    }
    sampleWanted = true;
  }

  // What lies behind the icon, just cleared: the tray's own background through ours where our window
  // takes its parent's, else the parent's pixels under our window. Nothing while the icon is not on screen;
  // `trap` is the drawing's, which already holds the clearing.
  void sampleBackground(X11ErrorTrap& trap) {
    if (!sampleWanted || window == None) return;
    XImage* image = nullptr;
    const Visual* imageVisual = visual;
    // The tray sizes our window; a corner of it shows the background as well as the whole would.
    auto side = [](int length) { return static_cast<unsigned>(std::clamp(length, 1, kSampleSide)); };
    if (depth != 32) {
      image = XGetImage(x.get(), window, 0, 0, side(width), side(height), AllPlanes, ZPixmap);
    } else {
      ::Window root = None, parent = None, *children = nullptr;
      unsigned int n = 0;
      XWindowAttributes own{}, host{};
      if (XQueryTree(x.get(), window, &root, &parent, &children, &n) && parent != None && parent != root &&
          XGetWindowAttributes(x.get(), window, &own) && XGetWindowAttributes(x.get(), parent, &host)) {
        imageVisual = host.visual;
        image =
            XGetImage(x.get(), parent, own.x, own.y, side(own.width), side(own.height), AllPlanes, ZPixmap);
      }
      if (children) XFree(children);
    }
    const std::optional<bool> shade = darkOnAverage(image, imageVisual);
    if (image) XDestroyImage(image);
    if (!trap.sync() || !shade) return;  // not viewable yet: the next exposure tries again
    sampleWanted = false;
    setShade(shade);
  }

  void dock() {
    if (!wanted) return;
    if (manager == None) {
      if (!absenceLogged) {
        logWarning(
            "tray: no StatusNotifierWatcher and no system tray; no tray icon, the hot key still opens "
            "everything");
      }
      absenceLogged = true;
      return;
    }
    if (window == None) createWindow();
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = manager;
    e.xclient.message_type = x.atom("_NET_SYSTEM_TRAY_OPCODE");
    e.xclient.format = 32;
    e.xclient.data.l[0] = CurrentTime;
    e.xclient.data.l[1] = kRequestDock;
    e.xclient.data.l[2] = static_cast<long>(window);
    X11ErrorTrap trap(x.get());
    XSendEvent(x.get(), manager, False, NoEventMask, &e);
    if (!trap.sync()) {
      log("tray: the system tray went away while the icon docked; it docks when a tray comes back");
      return;
    }
    absenceLogged = false;
    log("tray: icon docked in the system tray");
    if (dockChanged) dockChanged(true);
    learnShade();
    draw();
  }

  void undock() {
    wanted = false;
    if (window == None) return;
    X11ErrorTrap trap(x.get());
    XDestroyWindow(x.get(), window);
    window = None;
    XFlush(x.get());
  }

  // The largest picture that fits the window, centred; transparent pixels show the panel.
  void draw() {
    if (window == None || width <= 0 || height <= 0) return;
    const dbus::IconPixmap* best = nullptr;
    for (const auto& p : pixmaps) {
      if (p.width <= width && p.height <= height && (!best || p.width > best->width)) best = &p;
    }
    if (!best && !pixmaps.empty()) best = &pixmaps.back();
    X11ErrorTrap trap(x.get());
    XClearWindow(x.get(), window);
    sampleBackground(trap);
    if (!best) return;
    const int w = std::min(best->width, width), h = std::min(best->height, height);
    const int ox = (width - w) / 2, oy = (height - h) / 2;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    std::vector<unsigned char> mask(static_cast<std::size_t>((w + 7) / 8) * h, 0);
    for (int row = 0; row < h; ++row) {
      for (int col = 0; col < w; ++col) {
        const std::uint8_t* s = &best->argb[(static_cast<std::size_t>(row) * best->width + col) * 4];
        const std::uint32_t a = s[0], r = s[1], g = s[2], b = s[3];
        std::uint32_t& d = pixels[static_cast<std::size_t>(row) * w + col];
        if (depth == 32) {
          // Premultiplied for the compositor.
          d = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
        } else {
          d = r << 16 | g << 8 | b;
        }
        if (a >= 0x80) mask[static_cast<std::size_t>(row) * ((w + 7) / 8) + col / 8] |= 1 << (col % 8);
      }
    }
    GC gc = XCreateGC(x.get(), window, 0, nullptr);
    Pixmap clip = None;
    if (depth != 32) {
      // Without an alpha channel only the picture's solid pixels are put over the panel's background.
      clip = XCreateBitmapFromData(x.get(), window, reinterpret_cast<const char*>(mask.data()),
                                   static_cast<unsigned>(w), static_cast<unsigned>(h));
      XSetClipMask(x.get(), gc, clip);
      XSetClipOrigin(x.get(), gc, ox, oy);
    }
    putPixels(x.get(), window, gc, visual, depth, pixels.data(), ox, oy, w, h);
    if (clip != None) XFreePixmap(x.get(), clip);
    XFreeGC(x.get(), gc);
    XFlush(x.get());
  }

  void handle(XEvent& e) {
    if (e.type == ClientMessage && e.xclient.window == x.root() &&
        e.xclient.message_type == x.atom("MANAGER") && static_cast<Atom>(e.xclient.data.l[1]) == selection) {
      findManager();
      dock();
      return;
    }
    if (e.type == DestroyNotify && manager != None && e.xdestroywindow.window == manager) {
      manager = None;
      setShade(std::nullopt);
      if (dockChanged) dockChanged(false);
      log("tray: the system tray went away; the icon docks again when it returns");
      return;
    }
    if (e.type == PropertyNotify && manager != None && e.xproperty.window == manager &&
        e.xproperty.atom == x.atom("_NET_SYSTEM_TRAY_COLORS")) {
      learnShade();
      draw();
      return;
    }
    if (window == None || e.xany.window != window) return;
    switch (e.type) {
      case DestroyNotify:
        window = None;  // went with the tray that held it
        return;
      case ReparentNotify:
        // Into another part of the tray, or another tray: its background is to be learnt again.
        learnShade();
        return;
      case ConfigureNotify:
        if (e.xconfigure.width != width || e.xconfigure.height != height) {
          width = e.xconfigure.width;
          height = e.xconfigure.height;
          draw();
        }
        return;
      case Expose:
        if (e.xexpose.count == 0) draw();
        return;
      case ButtonPress:
        if ((e.xbutton.button == Button1 || e.xbutton.button == Button3) && click) {
          // Under the icon: its bottom-left corner on the root.
          int rx = 0, ry = 0;
          ::Window child = None;
          XTranslateCoordinates(x.get(), window, x.root(), 0, height, &rx, &ry, &child);
          click(rx, ry, DisplayHeight(x.get(), DefaultScreen(x.get())), e.xbutton.button == Button3);
        }
        return;
      default:
        return;
    }
  }
};

std::shared_ptr<X11TrayIcon> X11TrayIcon::create(const std::string& displayName) {
  auto display = X11Display::open(displayName);
  if (!display) return nullptr;
  std::shared_ptr<X11TrayIcon> tray(new X11TrayIcon(std::make_unique<X11EventLoop>(std::move(display))));
  tray->start();
  return tray;
}

X11TrayIcon::X11TrayIcon(std::unique_ptr<X11EventLoop> loop) : loop_(std::move(loop)) {}

X11TrayIcon::~X11TrayIcon() {
  loop_->stop();
  x_.reset();  // the loop thread has ended; the window goes here
}

void X11TrayIcon::start() {
  x_ = std::make_shared<XSide>(loop_->display());
  std::weak_ptr<X11TrayIcon> weak = weak_from_this();
  x_->shadeChanged = [weak](std::optional<bool> dark) {
    dispatch::Queue::main()->async([weak, dark] {
      auto self = weak.lock();
      if (!self || self->hostDark_ == dark) return;
      self->hostDark_ = dark;
      if (ui::StatusBar::system().backend().get() == self.get())
        ui::StatusBar::system().hostBackgroundChanged();
    });
  };
  x_->dockChanged = [weak](bool docked) {
    dispatch::Queue::main()->async([weak, docked] {
      auto self = weak.lock();
      if (!self) return;
      self->docked_ = docked;
      if (docked) self->sendPictures();
    });
  };
  x_->click = [weak](int rx, int ry, int rootHeight, bool secondary) {
    dispatch::Queue::main()->async([weak, rx, ry, rootHeight, secondary] {
      if (auto self = weak.lock()) self->clicked(rx, ry, rootHeight, secondary);
    });
  };
  XSide* side = x_.get();
  loop_->start("vl.x11-tray", [side](XEvent& e) { side->handle(e); });
  loop_->post([side] { side->start(); });
}

bool X11TrayIcon::trayPresent() {
  XSide* side = x_.get();
  return loop_
      ->call<bool>(
          [side] {
            side->findManager();
            return side->manager != None;
          },
          5000)
      .value_or(false);
}

std::optional<ui::Rect> X11TrayIcon::iconFrame(const ui::StatusItem& item) {
  if (&item != itemIdentity_) return std::nullopt;
  struct OnRoot {
    int x = 0, y = 0, width = 0, height = 0, rootHeight = 0;
  };
  XSide* side = x_.get();
  // The panel may move the icon at any time without telling us, so the X server is asked each time.
  std::optional<OnRoot> found =
      loop_
          ->call<std::optional<OnRoot>>(
              [side]() -> std::optional<OnRoot> {
                if (side->window == None || side->manager == None) return std::nullopt;
                X11ErrorTrap trap(side->x.get());
                XWindowAttributes a;
                if (!XGetWindowAttributes(side->x.get(), side->window, &a) || a.map_state != IsViewable)
                  return std::nullopt;
                OnRoot r;
                ::Window child = None;
                if (!XTranslateCoordinates(side->x.get(), side->window, side->x.root(), 0, 0, &r.x, &r.y,
                                           &child))
                  return std::nullopt;
                r.width = a.width;
                r.height = a.height;
                r.rootHeight = DisplayHeight(side->x.get(), DefaultScreen(side->x.get()));
                return r;
              },
              500)
          .value_or(std::nullopt);
  if (!found || found->width <= 0 || found->height <= 0) return std::nullopt;
  // Root pixels to toolkit points: the screens' scale, y up from the bottom of the root.
  auto main = ui::Screen::mainScreen();
  const double scale = main && main->backingScaleFactor() > 0 ? main->backingScaleFactor() : 1;
  return ui::Rect{found->x / scale, (found->rootHeight - found->y - found->height) / scale,
                  found->width / scale, found->height / scale};
}

unsigned long X11TrayIcon::iconWindow() {
  XSide* side = x_.get();
  return loop_->call<::Window>([side] { return side->window; }, 5000).value_or(None);
}

void X11TrayIcon::statusItemChanged(const std::shared_ptr<ui::StatusItem>& item) {
  if (itemIdentity_ && itemIdentity_ != item.get()) {
    if (!manyItemsLogged_) logWarning("tray: only the first status item is shown in the tray");
    manyItemsLogged_ = true;
    return;
  }
  XSide* side = x_.get();
  if (!itemIdentity_) {
    itemIdentity_ = item.get();
    item_ = item;
    loop_->post([side] {
      side->wanted = true;
      side->dock();
    });
  }
  shownImage_ = item->button()->displayedImage();
  sendPictures();
}

void X11TrayIcon::sendPictures() {
  // Made again only for a new image, and only for a tray that shows them.
  if (!docked_ || shownImage_ == picturedImage_) return;
  picturedImage_ = shownImage_;
  ++picturesMade_;
  auto pixmaps = shownImage_ ? dbus::iconPixmaps(*shownImage_) : std::vector<dbus::IconPixmap>{};
  XSide* side = x_.get();
  loop_->post([side, pixmaps = std::move(pixmaps)]() mutable {
    side->pixmaps = std::move(pixmaps);
    side->draw();
  });
}

void X11TrayIcon::statusItemRemoved(const ui::StatusItem* item) {
  if (!item || item != itemIdentity_) return;
  itemIdentity_ = nullptr;
  item_.reset();
  shownImage_.reset();
  picturedImage_.reset();
  docked_ = false;
  XSide* side = x_.get();
  loop_->post([side] {
    side->pixmaps.clear();
    side->undock();
  });
}

void X11TrayIcon::clicked(int rootX, int rootY, int rootHeight, bool) {
  auto item = item_.lock();
  if (!item) {
    logWarning("tray: a click on the icon before the status item is set; ignored");
    return;
  }
  std::shared_ptr<ui::Menu> menu = item->menu();
  if (!menu) {
    item->button()->performClick();
    return;
  }
  // Root pixels to toolkit points: the screens' scale, y up from the bottom of the root.
  auto main = ui::Screen::mainScreen();
  const double scale = main && main->backingScaleFactor() > 0 ? main->backingScaleFactor() : 1;
  const ui::Point at{rootX / scale, (rootHeight - rootY) / scale};
  item->button()->setHighlighted(true);
  menu->popUpMenuPositioningItem(nullptr, at, nullptr);
  item->button()->setHighlighted(false);
}

}  // namespace vl::x11
