#include "platform/system/x11/window/X11Screens.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace vl::x11 {

namespace {

constexpr long kMaxPixels = 32767;

PixelRect intersect(const PixelRect& a, const PixelRect& b) {
  const long x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const long x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

const Monitor* mainOf(const std::vector<Monitor>& monitors) {
  for (const auto& m : monitors) {
    if (m.primary) return &m;
  }
  return monitors.empty() ? nullptr : &monitors.front();
}

}  // namespace

ScreenSpace::ScreenSpace(const PixelRect& mainMonitor, double scale)
    : mainX_(mainMonitor.x),
      mainBottom_(mainMonitor.y + mainMonitor.height),
      scale_(scale > 0 && std::isfinite(scale) ? scale : 1) {}

ui::Rect ScreenSpace::toToolkit(const PixelRect& r) const {
  return {static_cast<double>(r.x - mainX_) / scale_,
          static_cast<double>(mainBottom_ - (r.y + r.height)) / scale_, r.width / scale_, r.height / scale_};
}

PixelRect ScreenSpace::toPixels(const ui::Rect& rect) const {
  const ui::Rect r = rect.standardized();
  auto clampLong = [](double v) { return static_cast<long>(std::clamp(std::round(v), -1e6, 1e6)); };
  PixelRect p;
  p.width = std::clamp(clampLong(r.width() * scale_), 1L, kMaxPixels);
  p.height = std::clamp(clampLong(r.height() * scale_), 1L, kMaxPixels);
  p.x = clampLong(r.origin.x * scale_) + mainX_;
  p.y = mainBottom_ - clampLong((r.origin.y + r.height()) * scale_);
  return p;
}

ScreenSpace screenSpaceFor(const std::vector<Monitor>& monitors, const PixelRect& root, double scale) {
  const Monitor* main = mainOf(monitors);
  return ScreenSpace(main ? main->frame : root, scale);
}

std::vector<ui::Screen> screensFromMonitors(std::vector<Monitor> monitors, std::optional<PixelRect> workArea,
                                            const PixelRect& root, double scale) {
  monitors.erase(std::remove_if(monitors.begin(), monitors.end(),
                                [](const Monitor& m) { return m.frame.width <= 0 || m.frame.height <= 0; }),
                 monitors.end());
  if (monitors.empty()) monitors.push_back({root, true, "screen"});
  const auto main = monitors.begin() + (mainOf(monitors) - monitors.data());
  std::rotate(monitors.begin(), main, main + 1);
  const ScreenSpace space = screenSpaceFor(monitors, root, scale);
  std::vector<ui::Screen> screens;
  for (const auto& m : monitors) {
    PixelRect visible = workArea ? intersect(m.frame, *workArea) : m.frame;
    // A work area that misses the monitor (a stale property) leaves the whole monitor usable.
    if (visible.width <= 0 || visible.height <= 0) visible = m.frame;
    screens.emplace_back(space.toToolkit(m.frame), space.toToolkit(visible), space.scale(), m.name);
  }
  return screens;
}

namespace {
std::atomic<double> currentScale{1};
}  // namespace

double desktopScale() { return currentScale.load(std::memory_order_relaxed); }
void setDesktopScale(double scale) { currentScale.store(scale > 0 ? scale : 1, std::memory_order_relaxed); }

ui::Point toolkitPointOfRoot(Display* dpy, int rootX, int rootY, double scale) {
  const ::Window root = DefaultRootWindow(dpy);
  std::vector<Monitor> monitors;
  int event = 0, error = 0;
  if (XRRQueryExtension(dpy, &event, &error)) {
    int n = 0;
    XRRMonitorInfo* info = XRRGetMonitors(dpy, root, True, &n);
    for (int i = 0; info && i < n; ++i) {
      monitors.push_back({{info[i].x, info[i].y, info[i].width, info[i].height}, info[i].primary != 0, {}});
    }
    if (info) XRRFreeMonitors(info);
  }
  const int screen = DefaultScreen(dpy);
  const PixelRect rootRect{0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)};
  return screenSpaceFor(monitors, rootRect, scale).toToolkit({rootX, rootY, 0, 0}).origin;
}

}  // namespace vl::x11
