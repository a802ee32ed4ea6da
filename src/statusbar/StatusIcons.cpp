#include "statusbar/StatusIcons.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace vl {

namespace {

constexpr int kPixels = 44;
constexpr int kSamples = 4;  // per axis, for smooth edges

struct Rgb {
  std::uint8_t r, g, b;
};

const std::string kIcon = "StatusIcon";
const std::string kAnimate = "Animate";

std::optional<Rgb> colourOf(const std::string& word) {
  if (word == "Red" || word == "red") return Rgb{0xD8, 0x1E, 0x06};
  if (word == "Black" || word == "black") return Rgb{0x22, 0x22, 0x22};
  if (word == "White" || word == "white") return Rgb{0xF4, 0xF4, 0xF4};
  return std::nullopt;
}

// A rectangle with rounded corners in pixel coordinates (y down).
struct RoundRect {
  double left, top, right, bottom, radius;
  bool contains(double x, double y) const {
    if (x < left || x > right || y < top || y > bottom) return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  }
  std::string svgPath() const {
    char d[320];
    std::snprintf(
        d, sizeof d,
        "M%g %gH%gA%g %g 0 0 1 %g %gV%gA%g %g 0 0 1 %g %gH%gA%g %g 0 0 1 %g %gV%gA%g %g 0 0 1 %g %gZ",
        left + radius, top, right - radius, radius, radius, right, top + radius, bottom - radius, radius,
        radius, right - radius, bottom, left + radius, radius, radius, left, bottom - radius, top + radius,
        radius, radius, left + radius, top);
    return d;
  }
};

// The clipboard: the board's outline (outer less inner), its clip and two lines of text; a pulse frame
// fills the board's inside from the bottom.
constexpr RoundRect kOuter{7, 6, 37, 41, 5};
constexpr RoundRect kInner{10.5, 9.5, 33.5, 37.5, 2.5};
constexpr RoundRect kClip{14, 2, 30, 11, 2.5};
constexpr RoundRect kLines[] = {{14.5, 19, 29.5, 22, 1.5}, {14.5, 27, 25.5, 30, 1.5}};
constexpr double kFillHeight = 28;

// Coverage of one sample by the clipboard, `fill` the part of the board's inside filled so far (0 to 1).
bool covered(double x, double y, double fill) {
  const bool inner = kInner.contains(x, y);
  if (kOuter.contains(x, y) && !inner) return true;
  if (kClip.contains(x, y)) return true;
  if (inner && fill > 0 && y >= kInner.bottom - fill * kFillHeight) return true;
  return kLines[0].contains(x, y) || kLines[1].contains(x, y);
}

// The same shapes as an SVG whose every shape takes the text colour, as symbolic icons do: hosts paint
// them in their foreground colour.
std::string symbolicSvg(double fill) {
  std::string shapes = "<path fill-rule=\"evenodd\" d=\"" + kOuter.svgPath() + kInner.svgPath() + "\"/>";
  shapes += "<path d=\"" + kClip.svgPath() + "\"/>";
  for (const RoundRect& line : kLines) shapes += "<path d=\"" + line.svgPath() + "\"/>";
  if (fill > 0) {
    const RoundRect filled{kInner.left, kInner.bottom - fill * kFillHeight, kInner.right, kInner.bottom,
                           kInner.radius};
    shapes += "<path d=\"" + filled.svgPath() + "\"/>";
  }
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"22\" height=\"22\" viewBox=\"0 0 44 44\">"
         "<style id=\"current-color-scheme\">.ColorScheme-Text{color:#222222;}</style>"
         "<g class=\"ColorScheme-Text\" fill=\"currentColor\" style=\"fill:currentColor\">" +
         shapes + "</g></svg>\n";
}

ui::ImageRef draw(const std::string& name, Rgb colour, double fill, bool swatch) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kPixels) * kPixels * 4, 0);
  for (int py = 0; py < kPixels; ++py) {
    for (int px = 0; px < kPixels; ++px) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = px + (sx + 0.5) / kSamples;
          const double y = py + (sy + 0.5) / kSamples;
          const bool in = swatch ? RoundRect{10, 10, 34, 34, 12}.contains(x, y) : covered(x, y, fill);
          hits += in ? 1 : 0;
        }
      }
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(py) * kPixels + px) * 4];
      p[0] = colour.r;
      p[1] = colour.g;
      p[2] = colour.b;
      p[3] = static_cast<std::uint8_t>(hits * 255 / (kSamples * kSamples));
    }
  }
  return std::make_shared<ui::Image>(ui::Size{22, 22}, kPixels, kPixels, std::move(rgba), name);
}

// The pulse frame of a picture name: 0 for the icon itself, 1 to 4 for "...Animate0" to "...Animate3";
// nullopt for a name of no frame.
std::optional<int> frameOf(const std::string& rest) {
  const auto at = rest.find(kAnimate);
  if (at == std::string::npos) return 0;
  const std::string frame = rest.substr(at + kAnimate.size());
  if (frame.size() != 1 || frame[0] < '0' || frame[0] > '3') return std::nullopt;
  return frame[0] - '0' + 1;
}

ui::ImageRef make(const std::string& name) {
  static const std::string kSwatch = "color-state-";
  if (name.starts_with(kSwatch)) {
    const auto colour = colourOf(name.substr(kSwatch.size()));
    return colour ? draw(name, *colour, 0, true) : nullptr;
  }
  if (!name.starts_with(kIcon)) return nullptr;
  const std::string rest = name.substr(kIcon.size());
  const std::optional<int> frame = frameOf(rest);
  if (!frame) return nullptr;
  const auto colour = colourOf(rest.substr(0, rest.find(kAnimate)));
  return colour ? draw(name, *colour, *frame / 4.0, false) : nullptr;
}

}  // namespace

ui::ImageRef statusIconNamed(const std::string& name) {
  static std::map<std::string, ui::ImageRef> cache;
  if (auto it = cache.find(name); it != cache.end()) return it->second;
  ui::ImageRef image = make(name);
  cache.emplace(name, image);
  return image;
}

std::optional<ui::SymbolicIcon> statusSymbolicIcon(const std::string& name) {
  if (!name.starts_with(kIcon)) return std::nullopt;
  const std::string rest = name.substr(kIcon.size());
  const std::string colour = rest.substr(0, rest.find(kAnimate));
  const std::optional<int> frame = frameOf(rest);
  if ((colour != "Black" && colour != "White") || !frame) return std::nullopt;
  static std::map<int, ui::SymbolicIcon> icons;
  auto it = icons.find(*frame);
  if (it == icons.end()) {
    const std::string id =
        *frame == 0 ? "vellisto-tray-symbolic" : "vellisto-tray-pulse" + std::to_string(*frame) + "-symbolic";
    it = icons.emplace(*frame, ui::SymbolicIcon{id, symbolicSvg(*frame / 4.0)}).first;
  }
  return it->second;
}

}  // namespace vl
