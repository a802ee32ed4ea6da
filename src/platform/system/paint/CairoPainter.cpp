#include "platform/system/paint/CairoPainter.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/system/paint/PangoTextEngine.h"
#include "platform/system/paint/ShadowBlur.h"
#include "platform/ui/window/Window.h"

namespace vl::paint {

namespace {

using Kind = ui::DrawCommand::Kind;
using SurfaceRef = std::shared_ptr<cairo_surface_t>;

// The largest picture writeWindowPng makes and the largest shadow mask, in device pixels a side.
constexpr int kMaxSurfaceSide = 16384;

bool finite(double v) { return std::isfinite(v); }
bool finite(const ui::Rect& r) {
  return finite(r.origin.x) && finite(r.origin.y) && finite(r.size.width) && finite(r.size.height);
}
bool finite(const ui::Color& c) {
  return finite(c.red) && finite(c.green) && finite(c.blue) && finite(c.alpha);
}
bool finite(const ui::BezierPath& p) {
  for (const auto& e : p.elements()) {
    for (const auto& pt : e.points) {
      if (!finite(pt.x) || !finite(pt.y)) return false;
    }
  }
  return true;
}

// Whether every number a step carries is a number: Cairo puts a context into an error state for good
// on one NaN, so such a step is left out.
bool finite(const ui::DrawCommand& c) {
  return finite(c.rect) && finite(c.path) && finite(c.color) && finite(c.lineWidth) && finite(c.fraction) &&
         finite(c.angle) && finite(c.offset.width) && finite(c.offset.height) && finite(c.radius) &&
         finite(c.alpha) && finite(c.toWindow.tx) && finite(c.toWindow.ty) && finite(c.toWindow.sy);
}

double unit(double v) { return std::clamp(v, 0.0, 1.0); }

void setColor(cairo_t* cr, const ui::Color& c, double alpha) {
  cairo_set_source_rgba(cr, unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha) * unit(alpha));
}

void appendPath(cairo_t* cr, const ui::BezierPath& path) {
  for (const auto& e : path.elements()) {
    switch (e.type) {
      case ui::BezierPath::ElementType::MoveTo:
        cairo_move_to(cr, e.points[0].x, e.points[0].y);
        break;
      case ui::BezierPath::ElementType::LineTo:
        cairo_line_to(cr, e.points[0].x, e.points[0].y);
        break;
      case ui::BezierPath::ElementType::CurveTo:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                       e.points[2].y);
        break;
      case ui::BezierPath::ElementType::ClosePath:
        cairo_close_path(cr);
        break;
    }
  }
}

cairo_operator_t cairoOperator(ui::CompositingOperation op) {
  switch (op) {
    case ui::CompositingOperation::Clear:
      return CAIRO_OPERATOR_CLEAR;
    case ui::CompositingOperation::Copy:
      return CAIRO_OPERATOR_SOURCE;
    case ui::CompositingOperation::SourceIn:
      return CAIRO_OPERATOR_IN;
    case ui::CompositingOperation::SourceOut:
      return CAIRO_OPERATOR_OUT;
    case ui::CompositingOperation::SourceAtop:
      return CAIRO_OPERATOR_ATOP;
    case ui::CompositingOperation::DestinationOver:
      return CAIRO_OPERATOR_DEST_OVER;
    case ui::CompositingOperation::SourceOver:
      break;
  }
  return CAIRO_OPERATOR_OVER;
}

// Image pixels as a premultiplied Cairo surface, made once per image while the image lives.
SurfaceRef imageSurface(const ui::ImageRef& image) {
  static std::mutex mutex;
  static std::map<const ui::Image*, std::pair<std::weak_ptr<const ui::Image>, SurfaceRef>> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = cache.find(image.get());
  if (it != cache.end() && it->second.first.lock() == image) return it->second.second;
  if (cache.size() > 256) std::erase_if(cache, [](const auto& e) { return e.second.first.expired(); });
  const int w = image->pixelsWide(), h = image->pixelsHigh();
  SurfaceRef surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h), cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  const std::uint8_t* in = image->pixels().data();
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < w; ++x, in += 4) {
      const std::uint32_t a = in[3];
      auto pm = [a](std::uint32_t v) { return (v * a + 127) / 255; };
      row[x] = (a << 24) | (pm(in[0]) << 16) | (pm(in[1]) << 8) | pm(in[2]);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  cache[image.get()] = {image, surface};
  return surface;
}

// Recently made shadow masks by the shape's outline in mask pixels, so a repaint of an unchanged window
// does not blur its shadow again.
class ShadowCache {
 public:
  SurfaceRef find(const std::string& key) {
    for (auto& e : entries_) {
      if (e.first == key) return e.second;
    }
    return nullptr;
  }
  void put(std::string key, SurfaceRef mask) {
    if (entries_.size() >= 8) entries_.erase(entries_.begin());
    entries_.emplace_back(std::move(key), std::move(mask));
  }

 private:
  std::vector<std::pair<std::string, SurfaceRef>> entries_;
};

ShadowCache& shadowCache() {
  static ShadowCache cache;
  return cache;
}
std::mutex& shadowMutex() {
  static std::mutex m;
  return m;
}

class Painter {
 public:
  Painter(cairo_t* cr, const PaintOptions& options) : cr_(cr), options_(options) {}

  void paint(const ui::DisplayList& list) {
    cairo_save(cr_);
    scale_ = finite(options_.scale) && options_.scale > 0 ? options_.scale : 1;
    height_ = finite(options_.height) ? options_.height : 0;
    cairo_scale(cr_, scale_, scale_);
    cairo_get_matrix(cr_, &base_);
    if (options_.dirty && !clipToDirty(*options_.dirty)) {
      cairo_restore(cr_);
      return;
    }
    if (options_.clear) {
      cairo_save(cr_);
      cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
      cairo_paint(cr_);
      cairo_restore(cr_);
    }
    for (const auto& c : list.commands()) step(c);
    while (clips_ > 0) {
      cairo_restore(cr_);
      --clips_;
    }
    cairo_restore(cr_);
    if (skipped_ > 0)
      logWarningf("paint: %d drawing steps with coordinates that are not numbers left out", skipped_);
    if (unbalanced_ > 0) logWarningf("paint: %d clip ends without a clip left out", unbalanced_);
  }

 private:
  // A window rect (y up) as a rect of the top-left system the painter draws in.
  ui::Rect topLeft(const ui::Rect& r) const { return {r.minX(), height_ - r.maxY(), r.width(), r.height()}; }

  bool clipToDirty(const ui::Rect& dirty) {
    if (!finite(dirty) || dirty.isEmpty()) return false;
    dirty_ = dirty.standardized();
    // Whole device pixels, so an edge pixel is either repainted completely or left alone.
    ui::Rect r = topLeft(*dirty_);
    double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    cairo_user_to_device(cr_, &x0, &y0);
    cairo_user_to_device(cr_, &x1, &y1);
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    cairo_rectangle(cr_, std::floor(std::min(x0, x1)), std::floor(std::min(y0, y1)),
                    std::ceil(std::max(x0, x1)) - std::floor(std::min(x0, x1)),
                    std::ceil(std::max(y0, y1)) - std::floor(std::min(y0, y1)));
    cairo_restore(cr_);
    cairo_clip(cr_);
    return true;
  }

  // The step's coordinates (y up, maybe mirrored) onto the painter's.
  void useTransform(const ui::Transform& t) {
    cairo_matrix_t m, out;
    cairo_matrix_init(&m, 1, 0, 0, -t.sy, t.tx, height_ - t.ty);
    cairo_matrix_multiply(&out, &m, &base_);
    cairo_set_matrix(cr_, &out);
  }

  // What a step may touch, in window coordinates, generously.
  ui::Rect reach(const ui::DrawCommand& c) {
    ui::Rect r = c.windowBounds().standardized();
    switch (c.kind) {
      case Kind::StrokePath:
        return r.insetBy(-c.lineWidth / 2 - 1, -c.lineWidth / 2 - 1);
      case Kind::DrawText: {
        const double size = c.font.effectivePointSize();
        const double width = std::max(r.width(), PangoTextEngine::shared()->drawnWidth(c.text, c.font));
        return {r.minX() - size / 4, r.minY() - size / 2, width + size / 2, r.height() + size};
      }
      case Kind::Shadow: {
        const double spread = shadowSpread(c.radius * scale_) / scale_ + 1;
        ui::Rect moved = r.offsetBy(c.offset.width, c.offset.height);
        ui::Rect both{std::min(r.minX(), moved.minX()), std::min(r.minY(), moved.minY()),
                      std::max(r.maxX(), moved.maxX()) - std::min(r.minX(), moved.minX()),
                      std::max(r.maxY(), moved.maxY()) - std::min(r.minY(), moved.minY())};
        return both.insetBy(-spread, -spread);
      }
      default:
        return r.insetBy(-1, -1);
    }
  }

  bool touchesDirty(const ui::DrawCommand& c) {
    if (!dirty_ || c.kind == Kind::PushClip || c.kind == Kind::PopClip) return true;
    ui::Rect r = reach(c);
    return r.minX() < dirty_->maxX() && dirty_->minX() < r.maxX() && r.minY() < dirty_->maxY() &&
           dirty_->minY() < r.maxY();
  }

  void step(const ui::DrawCommand& c) {
    if (!finite(c)) {
      ++skipped_;
      // A clip that cannot be made still opens a level, so its end closes the right one.
      if (c.kind == Kind::PushClip) {
        cairo_save(cr_);
        ++clips_;
      }
      return;
    }
    if (!touchesDirty(c)) return;
    switch (c.kind) {
      case Kind::FillRect: {
        // A tinted image: the colour through the image's shape.
        ui::Rect r = c.rect.standardized();
        if (r.isEmpty()) return;
        if (c.image) {
          fillThroughImage(c);
          return;
        }
        useTransform(c.toWindow);
        cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
        setColor(cr_, c.color, c.alpha);
        cairo_fill(cr_);
        return;
      }
      case Kind::FillPath:
        useTransform(c.toWindow);
        cairo_new_path(cr_);
        appendPath(cr_, c.path);
        setColor(cr_, c.color, c.alpha);
        cairo_fill(cr_);
        return;
      case Kind::StrokePath:
        useTransform(c.toWindow);
        cairo_new_path(cr_);
        appendPath(cr_, c.path);
        // Zero asks for the thinnest line the device shows.
        cairo_set_line_width(cr_, c.lineWidth > 0 ? c.lineWidth : 1 / scale_);
        setColor(cr_, c.color, c.alpha);
        cairo_stroke(cr_);
        return;
      case Kind::DrawImage:
        drawImage(c);
        return;
      case Kind::DrawText: {
        if (c.text.empty()) return;
        ui::Rect r = topLeft(c.windowBounds());
        cairo_set_matrix(cr_, &base_);
        setColor(cr_, c.color, c.alpha);
        PangoTextEngine::shared()->draw(cr_, c.text, c.font, c.underline, c.strikethrough, r.minX(),
                                        r.minY());
        return;
      }
      case Kind::FillGradient:
        fillGradient(c);
        return;
      case Kind::Shadow:
        shadow(c);
        return;
      case Kind::PushClip:
        cairo_save(cr_);
        ++clips_;
        useTransform(c.toWindow);
        cairo_new_path(cr_);
        appendPath(cr_, c.path);
        cairo_clip(cr_);
        return;
      case Kind::PopClip:
        if (clips_ == 0) {
          ++unbalanced_;
          return;
        }
        cairo_restore(cr_);
        --clips_;
        return;
    }
  }

  void drawImage(const ui::DrawCommand& c) {
    if (!c.image || !c.image->hasPixels()) return;
    ui::Rect r = topLeft(c.windowBounds());
    if (r.isEmpty()) return;
    SurfaceRef surface = imageSurface(c.image);
    if (!surface) return;
    cairo_save(cr_);
    cairo_set_matrix(cr_, &base_);
    // Operators such as copy and clear reach as far as the clip: keep them to the image's rect.
    cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
    cairo_clip(cr_);
    cairo_translate(cr_, r.minX(), r.minY());
    cairo_scale(cr_, r.width() / c.image->pixelsWide(), r.height() / c.image->pixelsHigh());
    cairo_set_source_surface(cr_, surface.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr_, cairoOperator(c.operation));
    cairo_paint_with_alpha(cr_, unit(c.fraction) * unit(c.alpha));
    cairo_restore(cr_);
  }

  // A tinted image: the colour where the image has ink, as much as its alpha, nothing around it.
  void fillThroughImage(const ui::DrawCommand& c) {
    if (!c.image->hasPixels()) return;
    ui::Rect r = topLeft(c.windowBounds());
    if (r.isEmpty()) return;
    SurfaceRef surface = imageSurface(c.image);
    if (!surface) return;
    cairo_save(cr_);
    cairo_set_matrix(cr_, &base_);
    cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
    cairo_clip(cr_);
    cairo_translate(cr_, r.minX(), r.minY());
    cairo_scale(cr_, r.width() / c.image->pixelsWide(), r.height() / c.image->pixelsHigh());
    setColor(cr_, c.color, c.alpha);
    cairo_pattern_t* mask = cairo_pattern_create_for_surface(surface.get());
    cairo_pattern_set_filter(mask, CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(mask, CAIRO_EXTEND_PAD);
    cairo_mask(cr_, mask);
    cairo_pattern_destroy(mask);
    cairo_restore(cr_);
  }

  void fillGradient(const ui::DrawCommand& c) {
    ui::Rect r = c.rect.standardized();
    if (r.isEmpty() || c.gradient.isEmpty()) return;
    useTransform(c.toWindow);
    const double a = c.angle * M_PI / 180;
    const double dx = std::cos(a), dy = std::sin(a);
    // The gradient line runs through the centre, long enough that the corners get its end colours.
    const double half = (r.width() * std::abs(dx) + r.height() * std::abs(dy)) / 2;
    cairo_pattern_t* pattern = cairo_pattern_create_linear(r.midX() - dx * half, r.midY() - dy * half,
                                                           r.midX() + dx * half, r.midY() + dy * half);
    for (const auto& stop : c.gradient.stops()) {
      const ui::Color& k = stop.color;
      cairo_pattern_add_color_stop_rgba(pattern, unit(stop.location), unit(k.red), unit(k.green),
                                        unit(k.blue), unit(k.alpha) * unit(c.alpha));
    }
    cairo_set_source(cr_, pattern);
    cairo_rectangle(cr_, r.minX(), r.minY(), r.width(), r.height());
    cairo_fill(cr_);
    cairo_pattern_destroy(pattern);
  }

  void shadow(const ui::DrawCommand& c) {
    const double opacity = unit(c.alpha) * unit(c.color.alpha);
    if (c.path.isEmpty() || opacity <= 0) return;
    const double deviceScale = std::sqrt(std::abs(base_.xx * base_.yy - base_.xy * base_.yx));
    const int half = shadowBoxHalfWidth(std::max(0.0, c.radius) * deviceScale);
    const int spread = 3 * half + 1;
    // The offset is in window terms (y up), whatever the layer's orientation.
    double odx = c.offset.width, ody = -c.offset.height;
    cairo_matrix_transform_distance(&base_, &odx, &ody);
    useTransform(c.toWindow);
    cairo_matrix_t m;
    cairo_get_matrix(cr_, &m);
    cairo_new_path(cr_);
    appendPath(cr_, c.path);
    double ux0, uy0, ux1, uy1;
    cairo_path_extents(cr_, &ux0, &uy0, &ux1, &uy1);
    cairo_new_path(cr_);
    double bx0 = 1e300, by0 = 1e300, bx1 = -1e300, by1 = -1e300;
    for (double px : {ux0, ux1}) {
      for (double py : {uy0, uy1}) {
        double x = px, y = py;
        cairo_matrix_transform_point(&m, &x, &y);
        bx0 = std::min(bx0, x + odx), by0 = std::min(by0, y + ody);
        bx1 = std::max(bx1, x + odx), by1 = std::max(by1, y + ody);
      }
    }
    // Only the part the clip lets through (and the blur around it) is worth a mask.
    double cx0, cy0, cx1, cy1;
    cairo_set_matrix(cr_, &base_);
    cairo_clip_extents(cr_, &cx0, &cy0, &cx1, &cy1);
    cairo_user_to_device(cr_, &cx0, &cy0);
    cairo_user_to_device(cr_, &cx1, &cy1);
    const double x0 = std::floor(std::max(bx0, std::min(cx0, cx1) - spread) - spread);
    const double y0 = std::floor(std::max(by0, std::min(cy0, cy1) - spread) - spread);
    const double x1 = std::ceil(std::min(bx1, std::max(cx0, cx1) + spread) + spread);
    const double y1 = std::ceil(std::min(by1, std::max(cy0, cy1) + spread) + spread);
    if (!(x1 > x0 && y1 > y0)) return;
    if (x1 - x0 > kMaxSurfaceSide || y1 - y0 > kMaxSurfaceSide) {
      logWarningf("paint: a shadow of %.0f x %.0f pixels is too large; left out", x1 - x0, y1 - y0);
      return;
    }
    const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
    // The outline as it lands in the mask.
    cairo_matrix_t inMask = m;
    inMask.x0 += odx - x0;
    inMask.y0 += ody - y0;
    std::string key = std::to_string(w) + "x" + std::to_string(h) + "/" + std::to_string(half);
    for (const auto& e : c.path.elements()) {
      for (int i = 0; i < 3; ++i) {
        double x = e.points[static_cast<std::size_t>(i)].x, y = e.points[static_cast<std::size_t>(i)].y;
        cairo_matrix_transform_point(&inMask, &x, &y);
        char buf[48];
        std::snprintf(buf, sizeof buf, "%d:%.2f,%.2f;", static_cast<int>(e.type), x, y);
        key += buf;
      }
    }
    SurfaceRef mask;
    {
      std::lock_guard<std::mutex> lock(shadowMutex());
      mask = shadowCache().find(key);
    }
    if (!mask) {
      mask = SurfaceRef(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h), cairo_surface_destroy);
      if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) return;
      cairo_t* mcr = cairo_create(mask.get());
      cairo_set_matrix(mcr, &inMask);
      appendPath(mcr, c.path);
      cairo_fill(mcr);
      cairo_destroy(mcr);
      cairo_surface_flush(mask.get());
      blurAlpha(cairo_image_surface_get_data(mask.get()), w, h, cairo_image_surface_get_stride(mask.get()),
                half);
      cairo_surface_mark_dirty(mask.get());
      std::lock_guard<std::mutex> lock(shadowMutex());
      shadowCache().put(key, mask);
    }
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    cairo_set_source_rgba(cr_, unit(c.color.red), unit(c.color.green), unit(c.color.blue), opacity);
    cairo_mask_surface(cr_, mask.get(), x0, y0);
    cairo_restore(cr_);
  }

  cairo_t* cr_;
  const PaintOptions& options_;
  double scale_ = 1;
  double height_ = 0;
  cairo_matrix_t base_{};
  std::optional<ui::Rect> dirty_;
  int clips_ = 0;
  int skipped_ = 0;
  int unbalanced_ = 0;
};

}  // namespace

void paintDisplayList(cairo_t* cr, const ui::DisplayList& list, const PaintOptions& options) {
  if (!cr || cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    logErrorf("paint: the drawing context is unusable (%s); nothing painted",
              cr ? cairo_status_to_string(cairo_status(cr)) : "none");
    return;
  }
  Painter(cr, options).paint(list);
}

bool writeWindowPng(ui::Window& window, const std::string& path, double scale) {
  if (!finite(scale) || scale <= 0 || scale > 8) {
    logWarningf("paint: scale %g for %s is out of range; using 1", scale, path.c_str());
    scale = 1;
  }
  window.display();
  const ui::Rect content = window.contentRect();
  const double w = std::ceil(content.width() * scale), h = std::ceil(content.height() * scale);
  if (w > kMaxSurfaceSide || h > kMaxSurfaceSide) {
    logWarningf("paint: a window of %.0f x %.0f pixels is too large for %s", w, h, path.c_str());
    return false;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, static_cast<int>(w)),
                                                        std::max(1, static_cast<int>(h)));
  cairo_t* cr = cairo_create(surface);
  PaintOptions options;
  options.scale = scale;
  options.height = content.height();
  paintDisplayList(cr, window.displayList(), options);
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  if (!ok) vl::logError("paint: cannot write " + path);
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace vl::paint
