#include "platform/system/x11/window/X11WindowServer.h"
// clang-format off
// The toolkit's headers before any X11 header: Xlib's macros (Status, None) would break them.
#include "platform/ui/menu/MenuWindow.h"
#include "platform/ui/view/AnimationEngine.h"
#include "platform/ui/view/NativeSurfaceView.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/view/Cursor.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Panel.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/Window.h"
// clang-format on

#include <cairo.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/system/x11/X11EventLoop.h"
#include "platform/system/x11/window/X11Damage.h"
#include "platform/system/x11/window/X11WindowHost.h"

namespace vl::x11 {

namespace {

std::shared_ptr<ui::Window> sharedWindow(ui::Window* w) {
  auto t = w ? w->weak_from_this().lock() : nullptr;
  return std::dynamic_pointer_cast<ui::Window>(t);
}

// Rows of opaque pixels as rectangles, joined with the row above when they span the same columns.
std::vector<PixelRect> outlineOf(cairo_surface_t* surface) {
  const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<PixelRect> rects;
  std::vector<std::size_t> previousRow;
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    std::vector<std::pair<long, long>> runs;
    for (int x = 0; x < w;) {
      while (x < w && (row[x] >> 24) < 0x80) ++x;
      const int start = x;
      while (x < w && (row[x] >> 24) >= 0x80) ++x;
      if (x > start) runs.emplace_back(start, x - start);
    }
    std::vector<std::size_t> thisRow;
    bool same = runs.size() == previousRow.size();
    for (std::size_t i = 0; same && i < runs.size(); ++i) {
      const PixelRect& r = rects[previousRow[i]];
      same = r.x == runs[i].first && r.width == runs[i].second;
    }
    if (same) {
      for (std::size_t i : previousRow) ++rects[i].height;
      continue;
    }
    for (const auto& [x, width] : runs) {
      thisRow.push_back(rects.size());
      rects.push_back({x, y, width, 1});
    }
    previousRow = std::move(thisRow);
  }
  return rects;
}

void useUtf8Ctype() {
  // The input method composes in the character set of the locale; text fields want UTF-8.
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  auto utf8 = [](const char* l) { return l && (std::strstr(l, "UTF-8") || std::strstr(l, "utf8")); };
  if (utf8(current)) return;
  if (!utf8(std::setlocale(LC_CTYPE, "")) && !utf8(std::setlocale(LC_CTYPE, "C.UTF-8"))) {
    logWarning("X11 windows: no UTF-8 locale; typed text beyond ASCII may not arrive");
  }
}

}  // namespace

// --- the peer -------------------------------------------------------------------------------------------

class X11WindowPeer final : public ui::WindowPeer {
 public:
  X11WindowPeer(std::shared_ptr<X11WindowServer> server, ui::Window& window)
      : server_(std::move(server)), window_(window), number_(window.windowNumber()) {
    server_->peers_[number_] = this;
  }
  ~X11WindowPeer() override {
    server_->peers_.erase(number_);
    // The surfaces' windows go with the window's own.
    for (auto& [n, tracked] : surfaces_) {
      if (auto* view = dynamic_cast<ui::NativeSurfaceView*>(tracked.view.lock().get())) {
        view->setPlacedFrame(std::nullopt);
        view->setNativeWindow(0);
      }
    }
    if (buffer_) cairo_surface_destroy(buffer_);
    const int n = number_;
    server_->post([n](X11WindowHost& host) { host.destroy(n); });
  }

  void orderFront() override {
    configure();
    const int n = number_;
    if (shown_) {
      server_->post([n](X11WindowHost& host) { host.raise(n); });
      if (window_.isKeyWindow() && server_->focused_ != n) becameKey();
      return;
    }
    shown_ = true;
    whole_ = true;
    const bool activate = window_.isKeyWindow();
    if (activate) ++server_->focusRequests_;
    // The first pixels go out before the window maps, so it never shows empty.
    paint();
    server_->post([n, activate](X11WindowHost& host) { host.show(n, activate); });
    server_->scheduleFrame();
  }
  void orderBack() override {
    const int n = number_;
    server_->post([n](X11WindowHost& host) { host.lower(n); });
  }
  void orderOut() override {
    if (!shown_) return;
    shown_ = false;
    const int n = number_;
    // A hidden window holds no focus. The report that it lost it comes later from the X thread, and
    // until then a quick show again would take the focus for already there and never ask for it.
    if (server_->focused_ == n) server_->focused_ = 0;
    server_->post([n](X11WindowHost& host) { host.hide(n); });
  }
  void changed(unsigned what) override {
    if (!shown_ && !configured_) return;
    configure();
    if (what & (ui::WindowChange::Frame | ui::WindowChange::Alpha | ui::WindowChange::Appearance)) {
      markDirty();
    }
  }
  void setNeedsDisplay(std::optional<ui::Rect>) override { markDirty(); }
  void becameKey() override {
    const int n = number_;
    if (!shown_ || server_->focused_ == n) return;
    ++server_->focusRequests_;
    server_->post([n](X11WindowHost& host) { host.focus(n); });
  }

  void configure() {
    WindowTraits traits = server_->traitsFor(window_);
    if (configured_ && traits == lastTraits_) return;
    configured_ = true;
    lastTraits_ = traits;
    server_->post([traits](X11WindowHost& host) { host.configure(traits); });
  }
  void exposed() { exposed_ = true; }
  // Recording while painting marks views again (a table adding rows in its drawRect); that drawing is in
  // this frame already, so it asks for no other.
  void markDirty() {
    if (painting_) return;
    dirty_ = true;
    if (shown_) server_->scheduleFrame();
  }
  bool shown() const { return shown_; }
  bool needsPaint() const { return shown_ && (dirty_ || exposed_ || whole_); }
  void movedByServer(const PixelRect& frame) {
    const ui::Rect content = server_->space_.toToolkit(frame);
    lastTraits_.frame = frame;  // the server has it already: no request back
    window_.setFrame(ui::Window::frameRectForContentRect(content, window_.styleMask()), false);
  }
  ui::Window& window() { return window_; }

  // The native surfaces of the window follow their views, as laid out by the recording just made.
  void placeSurfaces(double heightPts, double scale) {
    std::vector<ui::NativeSurfaceView*> found;
    if (const auto& content = window_.contentView()) ui::collectNativeSurfaceViews(*content, found);
    std::map<int, TrackedSurface> now;
    for (ui::NativeSurfaceView* view : found) {
      const int n = view->surfaceNumber();
      auto old = surfaces_.find(n);
      SurfacePlacement p = old != surfaces_.end() ? old->second.placed : SurfacePlacement{};
      p.owner = number_;
      p.surface = n;
      const std::optional<ui::Rect> frame = view->surfaceFrameInWindow();
      p.visible = frame.has_value();
      if (frame) {
        const long x0 = std::lround(frame->minX() * scale), x1 = std::lround(frame->maxX() * scale);
        const long y0 = std::lround((heightPts - frame->maxY()) * scale),
                   y1 = std::lround((heightPts - frame->minY()) * scale);
        p.frame = {x0, y0, std::max(1L, x1 - x0), std::max(1L, y1 - y0)};
      }
      const ui::Color& c = view->surfaceColor();
      auto channel = [](double v) {
        return static_cast<unsigned long>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
      };
      p.background = channel(c.red) << 16 | channel(c.green) << 8 | channel(c.blue);
      const bool fresh = old == surfaces_.end();
      if (fresh || !(old->second.placed == p)) {
        server_->post([p](X11WindowHost& host) { host.placeSurface(p); });
      }
      view->setPlacedFrame(frame);
      now[n] = {view->self(), p};
    }
    for (auto& [n, tracked] : surfaces_) {
      if (now.count(n)) continue;
      auto* view = dynamic_cast<ui::NativeSurfaceView*>(tracked.view.lock().get());
      if (view && !view->window()) {
        // Out of every window for now (a preview showing another record): its child window waits
        // hidden, with what is embedded in it, for the view to come back.
        SurfacePlacement hidden = tracked.placed;
        hidden.visible = false;
        if (!(hidden == tracked.placed))
          server_->post([hidden](X11WindowHost& host) { host.placeSurface(hidden); });
        view->setPlacedFrame(std::nullopt);
        now[n] = {tracked.view, hidden};
        continue;
      }
      server_->post([n = n](X11WindowHost& host) { host.removeSurface(n); });
      if (view) {
        view->setPlacedFrame(std::nullopt);
        view->setNativeWindow(0);
      }
    }
    surfaces_ = std::move(now);
  }
  // The X side made (or dropped) the child window of a surface; false when the surface is not ours.
  bool surfaceWindowMade(int surface, unsigned long window) {
    auto it = surfaces_.find(surface);
    if (it == surfaces_.end()) return false;
    if (auto* view = dynamic_cast<ui::NativeSurfaceView*>(it->second.view.lock().get())) {
      view->setNativeWindow(window);
    }
    return true;
  }

  // Records the window, repaints what changed since the last frame and sends those pixels.
  void paint() {
    const double scale = server_->space_.scale();
    const PixelRect px = server_->pixelFrameFor(window_);
    const ui::Rect content{window_.contentRect().origin, {px.width / scale, px.height / scale}};
    if (!buffer_ || cairo_image_surface_get_width(buffer_) != px.width ||
        cairo_image_surface_get_height(buffer_) != px.height) {
      if (buffer_) cairo_surface_destroy(buffer_);
      buffer_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(px.width),
                                           static_cast<int>(px.height));
      whole_ = true;
    }
    if (cairo_surface_status(buffer_) != CAIRO_STATUS_SUCCESS) {
      logErrorf("X11 windows: no back buffer of %ld x %ld pixels for window \"%s\"", px.width, px.height,
                window_.title().c_str());
      cairo_surface_destroy(buffer_);
      buffer_ = nullptr;
      return;
    }
    if (!dirty_ && !exposed_ && !whole_) return;
    painting_ = true;
    window_.display();
    painting_ = false;
    dirty_ = false;
    placeSurfaces(content.height(), scale);
    const ui::DisplayList& list = window_.displayList();
    Damage damage = whole_ ? Damage{std::nullopt, true} : damageBetween(painted_, list);
    if (!damage.any() && !exposed_) return;
    const double heightPts = content.height();
    PixelRect area{0, 0, px.width, px.height};
    if (!damage.whole && damage.rect) {
      const ui::Rect& r = *damage.rect;
      const long x0 = std::max(0L, static_cast<long>(std::floor(r.minX() * scale)));
      const long y0 = std::max(0L, static_cast<long>(std::floor((heightPts - r.maxY()) * scale)));
      const long x1 = std::min(px.width, static_cast<long>(std::ceil(r.maxX() * scale)));
      const long y1 = std::min(px.height, static_cast<long>(std::ceil((heightPts - r.minY()) * scale)));
      area = x1 > x0 && y1 > y0 ? PixelRect{x0, y0, x1 - x0, y1 - y0} : PixelRect{};
    }
    if (damage.any() && area.width > 0) {
      cairo_t* cr = cairo_create(buffer_);
      cairo_rectangle(cr, static_cast<double>(area.x), static_cast<double>(area.y),
                      static_cast<double>(area.width), static_cast<double>(area.height));
      cairo_clip(cr);
      cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
      cairo_paint(cr);
      cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
      std::optional<ui::Rect> dirty;
      if (!damage.whole) {
        dirty = ui::Rect{area.x / scale, heightPts - (area.y + area.height) / scale, area.width / scale,
                         area.height / scale};
      }
      paint::paintDisplayList(cr, list, paint::PaintOptions{scale, heightPts, dirty});
      cairo_destroy(cr);
      cairo_surface_flush(buffer_);
    }
    if (exposed_) area = {0, 0, px.width, px.height};
    painted_ = list;
    whole_ = false;
    exposed_ = false;
    send(area);
  }

 private:
  void send(const PixelRect& area) {
    PixelUpdate update;
    update.number = number_;
    update.area = area;
    const int stride = cairo_image_surface_get_stride(buffer_);
    const unsigned char* data = cairo_image_surface_get_data(buffer_);
    update.pixels.resize(static_cast<std::size_t>(area.width * area.height));
    for (long y = 0; y < area.height; ++y) {
      std::memcpy(update.pixels.data() + y * area.width, data + (area.y + y) * stride + area.x * 4,
                  static_cast<std::size_t>(area.width) * 4);
    }
    if (!window_.isOpaque()) {
      // Without a compositing manager transparent pixels cannot show what lies behind; the window's
      // outline is cut to the painted ones instead (the X side ignores it with a compositor).
      auto outline = outlineOf(buffer_);
      if (outline != lastOutline_) {
        lastOutline_ = outline;
        update.shape = std::move(outline);
      }
    }
    server_->post([u = std::move(update)](X11WindowHost& host) mutable { host.present(std::move(u)); });
  }

  std::shared_ptr<X11WindowServer> server_;
  ui::Window& window_;
  const int number_;
  bool shown_ = false;
  bool configured_ = false;
  bool whole_ = true;
  bool exposed_ = false;
  bool dirty_ = true;
  bool painting_ = false;
  struct TrackedSurface {
    std::weak_ptr<ui::View> view;
    SurfacePlacement placed;
  };
  std::map<int, TrackedSurface> surfaces_;
  WindowTraits lastTraits_;
  cairo_surface_t* buffer_ = nullptr;
  ui::DisplayList painted_;
  std::vector<PixelRect> lastOutline_;
};

// --- the server -----------------------------------------------------------------------------------------

std::shared_ptr<X11WindowServer> X11WindowServer::create(const std::string& displayName) {
  useUtf8Ctype();
  auto display = X11Display::open(displayName);
  if (!display) return nullptr;
  std::shared_ptr<X11WindowServer> server(new X11WindowServer(std::move(display)));
  server->start();
  return server;
}

X11WindowServer::X11WindowServer(std::unique_ptr<X11Display> display)
    : loop_(std::make_unique<X11EventLoop>(std::move(display))) {}

X11WindowServer::~X11WindowServer() {
  if (pendingFrame_) pendingFrame_->cancel();
  loop_->stop();
  host_.reset();  // the loop thread has ended; the host's clean-up runs here
  loop_.reset();
}

void X11WindowServer::start() {
  std::weak_ptr<X11WindowServer> weak = shared_from_this();
  auto toMain = [weak](std::function<void(X11WindowServer&)> fn) {
    dispatch::Queue::main()->async([weak, fn = std::move(fn)] {
      if (auto self = weak.lock()) fn(*self);
    });
  };
  X11WindowHost::Callbacks c;
  c.input = [toMain](int n, ui::Event e) { toMain([n, e](X11WindowServer& s) { s.deliver(n, e); }); };
  c.focus = [toMain](int n, std::uint64_t requests) {
    toMain([n, requests](X11WindowServer& s) { s.focusMoved(n, requests); });
  };
  c.moved = [toMain](int n, PixelRect f) {
    toMain([n, f](X11WindowServer& s) {
      if (auto it = s.peers_.find(n); it != s.peers_.end()) it->second->movedByServer(f);
    });
  };
  c.exposed = [toMain](int n) {
    toMain([n](X11WindowServer& s) {
      if (auto it = s.peers_.find(n); it != s.peers_.end()) it->second->exposed();
      s.scheduleFrame();
    });
  };
  c.closeRequested = [toMain](int n) {
    toMain([n](X11WindowServer&) {
      if (auto w = sharedWindow(ui::Application::shared().windowWithNumber(n))) w->performClose();
    });
  };
  c.destroyed = [toMain](int n) {
    toMain([n](X11WindowServer&) {
      // Off the screen now: the window is ordered out, so the next show (a hot key) shows it again.
      auto w = sharedWindow(ui::Application::shared().windowWithNumber(n));
      if (w && w->isVisible()) w->orderOut();
    });
  };
  c.outsideClick = [toMain](int n) {
    toMain([n](X11WindowServer&) {
      auto w = sharedWindow(ui::Application::shared().windowWithNumber(n));
      if (!w) return;
      // A pop-up closes the way its own Escape would close it, else it is simply ordered out.
      if (!ui::Application::shared().sendAction("cancelOperation:", w, nullptr)) w->orderOut();
    });
  };
  c.desktop = [toMain](DesktopState d) { toMain([d](X11WindowServer& s) { s.desktopChanged(d); }); };
  c.surfaceWindow = [toMain](int surface, ::Window window) {
    toMain([surface, window](X11WindowServer& s) {
      for (auto& [n, peer] : s.peers_) {
        if (peer->surfaceWindowMade(surface, window)) return;
      }
    });
  };
  host_ = std::make_unique<X11WindowHost>(loop_->display(), std::move(c));
  X11WindowHost* host = host_.get();
  loop_->start(
      "vl.x11-windows", [host](XEvent& e) { host->handle(e); }, [host] { host->afterEvents(); });
  // The first screens are known before the first window is placed.
  auto desktop = loop_->call<DesktopState>(
      [host] {
        host->start();
        return host->desktop();
      },
      5000);
  if (desktop) {
    desktopChanged(*desktop);
  } else {
    logWarning("X11 windows: the display did not answer in time; screens follow when it does");
  }
  // Colours resolve against the light or dark look while recording: a switch repaints every window.
  themeChanged_ = ui::SystemAppearance::shared().center().observe(
      ui::SystemAppearance::kThemeChangedNotification, nullptr, [weak](const Notification&) {
        dispatch::Queue::main()->async([weak] {
          if (auto self = weak.lock()) self->markAllDirty();
        });
      });
  // Animating layers mark their windows on each tick; the hook only makes sure a frame follows.
  ui::AnimationEngine::shared().setFrameHook([weak] {
    if (auto self = weak.lock()) self->scheduleFrame();
  });
}

bool X11WindowServer::flushToDisplay(int waitMs) {
  X11WindowHost* host = host_.get();
  return loop_
      ->call<bool>(
          [host] {
            host->syncWithServer();
            return true;
          },
          waitMs)
      .has_value();
}

void X11WindowServer::post(std::function<void(X11WindowHost&)> work) {
  X11WindowHost* host = host_.get();
  loop_->post([host, work = std::move(work)] { work(*host); });
}

std::unique_ptr<ui::WindowPeer> X11WindowServer::createPeer(ui::Window& window) {
  return std::make_unique<X11WindowPeer>(shared_from_this(), window);
}

void X11WindowServer::cursorChanged(const ui::Cursor& cursor) {
  post([name = cursor.name()](X11WindowHost& host) { host.setCursor(name); });
}

namespace {

// The drag's picture in device pixels, painted here on the main thread where the text engine lives; the
// X thread only puts the pixels up. Empty without a picture or for one too large to paint.
DragIconPixels dragIconPixels(const DragImage& image, double scale) {
  DragIconPixels out;
  if (image.empty()) return out;
  const int w = static_cast<int>(std::ceil(image.size.width * scale));
  const int h = static_cast<int>(std::ceil(image.size.height * scale));
  if (w <= 0 || h <= 0 || w > 4096 || h > 4096) {
    logWarningf("drag: a picture of %dx%d pixels is left out", w, h);
    return out;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  paint::PaintOptions options;
  options.scale = scale;
  options.height = image.size.height;
  // Slightly see-through, as a drag's picture is: what lies under it stays in view.
  cairo_push_group(cr);
  paint::paintDisplayList(cr, *image.picture, options);
  cairo_pop_group_to_source(cr);
  cairo_paint_with_alpha(cr, 0.85);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    out.width = w;
    out.height = h;
    out.argb.resize(static_cast<std::size_t>(w) * h);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < h; ++y)
      std::memcpy(&out.argb[static_cast<std::size_t>(y) * w], data + static_cast<std::ptrdiff_t>(y) * stride,
                  static_cast<std::size_t>(w) * 4);
    out.grabX = std::clamp(static_cast<int>(std::lround(image.grab.x * scale)), 0, w - 1);
    out.grabY = std::clamp(static_cast<int>(std::lround(image.grab.y * scale)), 0, h - 1);
  }
  cairo_surface_destroy(surface);
  return out;
}

}  // namespace

bool X11WindowServer::beginDrag(ui::Window& window, std::vector<PasteboardItem> items, DragImage image) {
  if (items.empty() || !peers_.count(window.windowNumber())) return false;
  post([n = window.windowNumber(), items = std::move(items), icon = dragIconPixels(image, backingScale())](
           X11WindowHost& host) mutable { host.beginDrag(n, std::move(items), std::move(icon)); });
  return true;
}

unsigned long X11WindowServer::dragIconWindow() {
  X11WindowHost* host = host_.get();
  return loop_->call<::Window>([host] { return host->dragIconWindow(); }, 5000).value_or(None);
}

unsigned long X11WindowServer::xWindowOf(const ui::Window& window) {
  X11WindowHost* host = host_.get();
  const int n = window.windowNumber();
  return loop_->call<::Window>([host, n] { return host->windowFor(n); }, 5000).value_or(None);
}

unsigned long X11WindowServer::embeddedWindowOf(int surfaceNumber) {
  X11WindowHost* host = host_.get();
  return loop_->call<::Window>([host, surfaceNumber] { return host->embeddedWindowOf(surfaceNumber); }, 5000)
      .value_or(None);
}

WindowTraits X11WindowServer::traitsFor(const ui::Window& window) const {
  WindowTraits s;
  s.number = window.windowNumber();
  s.frame = pixelFrameFor(window);
  const std::uint64_t style = window.styleMask();
  s.titled = (style & ui::WindowStyle::Titled) != 0;
  s.resizable = (style & ui::WindowStyle::Resizable) != 0;
  s.utility = (style & ui::WindowStyle::UtilityWindow) != 0;
  s.popup = window.level() >= ui::WindowLevel::PopUpMenu;
  s.menu = s.popup && dynamic_cast<const ui::MenuWindow*>(&window) != nullptr;
  s.floating = window.level() >= ui::WindowLevel::Floating;
  s.allSpaces = (window.collectionBehavior() & ui::CollectionBehavior::CanJoinAllSpaces) != 0;
  s.opaque = window.isOpaque() && window.backgroundColor().alpha >= 1 && window.alphaValue() >= 1;
  s.canBecomeKey = window.canBecomeKeyWindow();
  s.panel = dynamic_cast<const ui::Panel*>(&window) != nullptr;
  s.title = window.title();
  return s;
}

PixelRect X11WindowServer::pixelFrameFor(const ui::Window& window) const {
  PixelRect px = space_.toPixels(window.contentRect());
  // Twice the desktop is more than any window needs; beyond it the back buffer would only waste memory.
  const long maxWidth = std::max(640L, 2 * desktop_.root.width),
             maxHeight = std::max(480L, 2 * desktop_.root.height);
  if (px.width > maxWidth || px.height > maxHeight) {
    logWarningf(
        "X11 windows: window \"%s\" is larger than the screens (%ld x %ld pixels); shown cut to %ld x %ld",
        window.title().c_str(), px.width, px.height, std::min(px.width, maxWidth),
        std::min(px.height, maxHeight));
    px.width = std::min(px.width, maxWidth);
    px.height = std::min(px.height, maxHeight);
  }
  return px;
}

void X11WindowServer::scheduleFrame() {
  if (frameScheduled_) return;
  frameScheduled_ = true;
  const double now = Clock::current().monotonicMs();
  const double delay = std::clamp(lastFrameMs_ + ui::AnimationEngine::kFrameIntervalMs - now, 0.0,
                                  ui::AnimationEngine::kFrameIntervalMs);
  std::weak_ptr<X11WindowServer> weak = shared_from_this();
  pendingFrame_ = dispatch::after(delay, dispatch::Queue::main(), [weak] {
    if (auto self = weak.lock()) self->frame();
  });
}

void X11WindowServer::frame() {
  frameScheduled_ = false;
  pendingFrame_.reset();
  lastFrameMs_ = Clock::current().monotonicMs();
  for (auto& [n, peer] : std::map<int, X11WindowPeer*>(peers_)) {
    if (peers_.count(n) && peer->needsPaint()) peer->paint();
  }
}

void X11WindowServer::markAllDirty() {
  for (auto& [n, peer] : peers_) peer->markDirty();
}

void X11WindowServer::displayNow() {
  if (pendingFrame_) pendingFrame_->cancel();
  frame();
}

void X11WindowServer::deliver(int number, ui::Event event) {
  ui::Application& app = ui::Application::shared();
  auto window = sharedWindow(app.windowWithNumber(number));
  if (!window) return;  // closed while the event was on its way
  event.setWindow(window);
  event.setTimestamp(Clock::current().monotonicMs() / 1000);
  app.sendEvent(event);
  // Handlers change state their drawing reads (a highlight, a selection) and not every one says so; the
  // window that took the event repaints, which costs one record and compare per frame of input.
  if (auto it = peers_.find(number); it != peers_.end()) it->second->markDirty();
}

void X11WindowServer::focusMoved(int number, std::uint64_t requests) {
  // A report that crossed the window's hiding on its way here is out of date; the next one tells.
  if (auto it = peers_.find(number); number != 0 && (it == peers_.end() || !it->second->shown())) return;
  // Another application, or another window of ours, had the keyboard before the X side took our latest
  // request for it (the hot key pressed again just after a hide, the main window shown over Preferences):
  // the answer to that request is still to come, and it tells.
  if (requests < focusRequests_) return;
  focused_ = number;
  ui::Application& app = ui::Application::shared();
  if (number == 0) {
    // Another application has the keyboard now.
    if (app.isActive()) app.deactivate();
    markAllDirty();
    return;
  }
  auto window = sharedWindow(app.windowWithNumber(number));
  if (!window) return;
  if (!(window->styleMask() & ui::WindowStyle::NonactivatingPanel) && !app.isActive()) app.activate();
  if (window->canBecomeKeyWindow() && !window->isKeyWindow()) window->makeKeyWindow();
  // Key and active state colour selections and focus rings in every window.
  markAllDirty();
}

void X11WindowServer::desktopChanged(DesktopState state) {
  const bool rescaled = state.scale != space_.scale();
  desktop_ = state;
  setDesktopScale(state.scale);
  space_ = screenSpaceFor(state.monitors, state.root, state.scale);
  ui::Screen::setScreens(screensFromMonitors(state.monitors, state.workArea, state.root, state.scale));
  NotificationCenter::defaultCenter().post(ui::kApplicationDidChangeScreenParametersNotification, nullptr);
  for (auto& [n, peer] : peers_) {
    if (rescaled) peer->changed(ui::WindowChange::Frame);
  }
  markAllDirty();
  if (desktopHandler_) desktopHandler_(desktop_);
}

}  // namespace vl::x11
