#include "support/TextContrast.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "platform/system/paint/CairoPainter.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/SystemColors.h"
#include "platform/ui/window/Window.h"

namespace vl::test {

namespace {

// Painted at twice the points, so the stems of small text keep pixels of their full colour.
constexpr double kScale = 2;
// How far a pixel may be from the text's colour and still count as the text's own.
constexpr int kInkTolerance = 48;

ui::Color colorOf(const Pixel& p) { return ui::Color::rgba(p.r / 255.0, p.g / 255.0, p.b / 255.0, 1); }

int byteOf(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

bool blank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\n' || c == '\t'; });
}

// The most frequent pixel of the rect and whether any pixel is near `ink` over it.
struct Sample {
  Pixel background;
  bool inkSeen = false;
};

Sample sample(const PixelProbe& probe, const ui::Rect& r, const ui::Color& text, double alpha,
              const std::vector<ui::Rect>& covers) {
  std::map<std::tuple<int, int, int>, int> counts;
  std::vector<Pixel> pixels;
  const double step = 1 / probe.scale();
  for (double y = r.minY() + step / 2; y < r.maxY(); y += step) {
    for (double x = r.minX() + step / 2; x < r.maxX(); x += step) {
      if (std::any_of(covers.begin(), covers.end(), [&](const ui::Rect& c) { return c.contains({x, y}); }))
        continue;
      const Pixel p = probe.at({x, y});
      pixels.push_back(p);
      ++counts[{p.r, p.g, p.b}];
    }
  }
  Sample s;
  if (counts.empty()) return s;
  const auto most = std::max_element(counts.begin(), counts.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
  s.background = {std::get<0>(most->first), std::get<1>(most->first), std::get<2>(most->first), 255};
  const Pixel ink{byteOf(text.red * alpha + s.background.r / 255.0 * (1 - alpha)),
                  byteOf(text.green * alpha + s.background.g / 255.0 * (1 - alpha)),
                  byteOf(text.blue * alpha + s.background.b / 255.0 * (1 - alpha)), 255};
  s.inkSeen = std::any_of(pixels.begin(), pixels.end(), [&ink](const Pixel& p) {
    return std::max({std::abs(p.r - ink.r), std::abs(p.g - ink.g), std::abs(p.b - ink.b)}) <= kInkTolerance;
  });
  return s;
}

// The opaque fills drawn after step `index` that reach into the rect: views above the text.
std::vector<ui::Rect> coversAfter(const std::vector<ui::DrawCommand>& steps, std::size_t index,
                                  const ui::Rect& r) {
  std::vector<ui::Rect> covers;
  for (std::size_t j = index + 1; j < steps.size(); ++j) {
    const ui::DrawCommand& c = steps[j];
    const bool fill = c.kind == ui::DrawCommand::Kind::FillRect || c.kind == ui::DrawCommand::Kind::FillPath;
    if (!fill || c.image || c.color.alpha * c.alpha < 0.99) continue;
    const ui::Rect b = c.windowBounds();
    if (b.intersects(r)) covers.push_back(b);
  }
  return covers;
}

}  // namespace

std::vector<TextContrastFault> textContrastFaults(ui::Window& window, double minimum) {
  DesktopPaintingScope painting;
  window.display();
  const ui::DisplayList list = window.displayList();
  const ui::Rect content{{0, 0}, window.contentRect().size};
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(content.width() * kScale)),
                                 static_cast<int>(std::ceil(content.height() * kScale)));
  cairo_t* cr = cairo_create(surface);
  paint::PaintOptions options;
  options.scale = kScale;
  options.height = content.height();
  paint::paintDisplayList(cr, list, options);
  cairo_destroy(cr);
  const PixelProbe probe = PixelProbe::fromSurface(surface, kScale);
  cairo_surface_destroy(surface);

  std::vector<TextContrastFault> faults;
  const auto& steps = list.commands();
  // The clips in force: a text drawn again inside one (a found word in the ink of its highlight) shows
  // only there, and is measured there.
  std::vector<ui::Rect> clips{content};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const ui::DrawCommand& d = steps[i];
    if (d.kind == ui::DrawCommand::Kind::PushClip) {
      clips.push_back(d.windowBounds().intersection(clips.back()));
      continue;
    }
    if (d.kind == ui::DrawCommand::Kind::PopClip) {
      if (clips.size() > 1) clips.pop_back();
      continue;
    }
    if (d.kind != ui::DrawCommand::Kind::DrawText) continue;
    const double alpha = d.color.alpha * d.alpha;
    if (blank(d.text) || alpha <= 0.05) continue;
    const ui::Rect r = d.windowBounds().intersection(clips.back());
    if (r.isEmpty() || r.width() < 1 || r.height() < 1) continue;
    const Sample s = sample(probe, r, d.color, alpha, coversAfter(steps, i, r));
    if (!s.inkSeen) continue;
    const Pixel ink{byteOf(d.color.red * alpha + s.background.r / 255.0 * (1 - alpha)),
                    byteOf(d.color.green * alpha + s.background.g / 255.0 * (1 - alpha)),
                    byteOf(d.color.blue * alpha + s.background.b / 255.0 * (1 - alpha)), 255};
    const double ratio = ui::SystemColors::contrastRatio(colorOf(ink), colorOf(s.background));
    if (ratio < minimum) faults.push_back({d.text, r, ink, s.background, ratio});
  }
  std::sort(faults.begin(), faults.end(), [](const auto& a, const auto& b) { return a.ratio < b.ratio; });
  return faults;
}

std::string describe(const std::vector<TextContrastFault>& faults) {
  std::string out;
  for (const auto& f : faults) {
    char line[256];
    std::snprintf(line, sizeof line, "%.2f:1 #%02X%02X%02X on #%02X%02X%02X at (%.0f, %.0f) \"", f.ratio,
                  f.ink.r, f.ink.g, f.ink.b, f.background.r, f.background.g, f.background.b, f.rect.minX(),
                  f.rect.minY());
    out += line + f.text.substr(0, 40) + "\"\n";
  }
  return out;
}

}  // namespace vl::test
