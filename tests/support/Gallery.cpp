#include "support/Gallery.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/system/paint/DesktopPainting.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/window/Window.h"

namespace vl::test {

DesktopPaintingScope::DesktopPaintingScope() : wasInstalled_(paint::desktopPaintingInstalled()) {
  paint::installDesktopPainting();
}

DesktopPaintingScope::~DesktopPaintingScope() {
  if (!wasInstalled_) paint::uninstallDesktopPainting();
}

std::vector<std::string> writeGallery(ui::Window& window, const std::string& name, double scale) {
  DesktopPaintingScope painting;
  const std::string folder = std::string(VL_BINARY_DIR) + "/gallery";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  auto& appearance = ui::SystemAppearance::shared();
  const bool wasDark = appearance.isDark();
  std::vector<std::string> written;
  for (bool dark : {false, true}) {
    appearance.setDark(dark);
    const std::string path = folder + "/" + name + (dark ? "-dark.png" : "-light.png");
    if (paint::writeWindowPng(window, path, scale)) {
      written.push_back(path);
    } else {
      ADD_FAILURE() << "gallery picture not written: " << path;
    }
  }
  appearance.setDark(wasDark);
  return written;
}

bool writeDisplayListPng(const ui::DisplayList& picture, ui::Size size, const std::string& name,
                         double scale) {
  DesktopPaintingScope painting;
  const std::string folder = std::string(VL_BINARY_DIR) + "/gallery";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const int w = static_cast<int>(std::ceil(size.width * scale)),
            h = static_cast<int>(std::ceil(size.height * scale));
  if (w <= 0 || h <= 0) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  paint::PaintOptions options;
  options.scale = scale;
  options.height = size.height;
  paint::paintDisplayList(cr, picture, options);
  cairo_destroy(cr);
  const bool ok =
      cairo_surface_write_to_png(surface, (folder + "/" + name + ".png").c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

namespace {

PixelProbe paintedNow(ui::Window& window) {
  window.display();
  const ui::Size size = window.contentRect().size;
  cairo_surface_t* surface = cairo_image_surface_create(
      CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(size.width)), static_cast<int>(std::ceil(size.height)));
  cairo_t* cr = cairo_create(surface);
  paint::PaintOptions options;
  options.height = size.height;
  paint::paintDisplayList(cr, window.displayList(), options);
  cairo_destroy(cr);
  PixelProbe probe = PixelProbe::fromSurface(surface);
  cairo_surface_destroy(surface);
  return probe;
}

}  // namespace

int pixelsChangedOutsideWhenScrolled(ui::Window& window, ui::ScrollView& scroll, ui::Point to) {
  DesktopPaintingScope painting;
  // What a first drawing leaves to do later (a text view fitting its text) is done before either picture.
  window.display();
  dispatch::MainLoop::runUntilIdle();
  const PixelProbe before = paintedNow(window);
  scroll.scrollToPoint(to);
  window.display();
  dispatch::MainLoop::runUntilIdle();
  const PixelProbe after = paintedNow(window);
  // The frame's edge pixels, which a frame between pixels shares with its surroundings, count as inside.
  const ui::Rect frame = scroll.convertRectToView(scroll.bounds(), nullptr).insetBy(-1, -1);
  const ui::Size size = window.contentRect().size;
  int changed = 0;
  for (double y = 0.5; y < size.height; y += 1) {
    for (double x = 0.5; x < size.width; x += 1) {
      if (!frame.contains({x, y}) && before.at({x, y}) != after.at({x, y})) ++changed;
    }
  }
  return changed;
}

PixelProbe::PixelProbe(cairo_surface_t* surface, double scale) : surface_(surface), scale_(scale) {}

PixelProbe::PixelProbe(const PixelProbe& other)
    : surface_(cairo_surface_reference(other.surface_)), scale_(other.scale_) {}

PixelProbe& PixelProbe::operator=(const PixelProbe& other) {
  cairo_surface_t* kept = cairo_surface_reference(other.surface_);
  cairo_surface_destroy(surface_);
  surface_ = kept;
  scale_ = other.scale_;
  return *this;
}

PixelProbe::~PixelProbe() { cairo_surface_destroy(surface_); }

std::optional<PixelProbe> PixelProbe::fromPng(const std::string& path, double scale) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return std::nullopt;
  }
  return PixelProbe(s, scale);
}

PixelProbe PixelProbe::fromSurface(cairo_surface_t* surface, double scale) {
  cairo_surface_flush(surface);
  return PixelProbe(cairo_surface_reference(surface), scale);
}

double PixelProbe::heightInPoints() const { return cairo_image_surface_get_height(surface_) / scale_; }

Pixel PixelProbe::device(int x, int y) const {
  const int w = cairo_image_surface_get_width(surface_), h = cairo_image_surface_get_height(surface_);
  if (x < 0 || y < 0 || x >= w || y >= h) return {};
  const unsigned char* row =
      cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
  const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(row)[x];
  const int a = cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_RGB24 ? 255 : int(p >> 24);
  auto straight = [a](std::uint32_t v) { return a ? std::min(255, int((v * 255 + a / 2) / a)) : 0; };
  return {straight((p >> 16) & 0xff), straight((p >> 8) & 0xff), straight(p & 0xff), a};
}

Pixel PixelProbe::at(ui::Point p) const {
  return device(static_cast<int>(std::floor(p.x * scale_)),
                static_cast<int>(std::floor((heightInPoints() - p.y) * scale_)));
}

PixelProbe::Ink PixelProbe::inkIn(const ui::Rect& r, Pixel background, int tolerance) const {
  Ink ink;
  const ui::Rect s = r.standardized();
  const int x0 = static_cast<int>(std::floor(s.minX() * scale_)),
            x1 = static_cast<int>(std::ceil(s.maxX() * scale_));
  const int y0 = static_cast<int>(std::floor((heightInPoints() - s.maxY()) * scale_));
  const int y1 = static_cast<int>(std::ceil((heightInPoints() - s.minY()) * scale_));
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const Pixel p = device(x, y);
      const int diff = std::max({std::abs(p.r - background.r), std::abs(p.g - background.g),
                                 std::abs(p.b - background.b), std::abs(p.a - background.a)});
      if (diff <= tolerance) continue;
      ++ink.count;
      ink.left = ink.left < 0 ? x : std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
    }
  }
  return ink;
}

}  // namespace vl::test
