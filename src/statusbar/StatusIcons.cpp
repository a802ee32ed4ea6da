#include "statusbar/StatusIcons.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

std::optional<Rgb> colourOf(const std::string& word) {
  if (word == "Red" || word == "red") return Rgb{0xD8, 0x1E, 0x06};
  if (word == "Black" || word == "black") return Rgb{0x22, 0x22, 0x22};
  if (word == "White" || word == "white") return Rgb{0xF4, 0xF4, 0xF4};
  return std::nullopt;
}

// Inside a rectangle with rounded corners (pixel coordinates, y down).
bool inRoundRect(double x, double y, double left, double top, double right, double bottom, double radius) {
  if (x < left || x > right || y < top || y > bottom) return false;
  const double cx = std::clamp(x, left + radius, right - radius);
  const double cy = std::clamp(y, top + radius, bottom - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// Coverage of one sample by the clipboard: the board's outline, its clip, two lines of text, and for a
// pulse frame the part of the board's inside that has filled so far (`fill` of its height, 0 to 1).
bool covered(double x, double y, double fill) {
  const bool outer = inRoundRect(x, y, 7, 6, 37, 41, 5);
  const bool inner = inRoundRect(x, y, 10.5, 9.5, 33.5, 37.5, 2.5);
  if (outer && !inner) return true;
  if (inRoundRect(x, y, 14, 2, 30, 11, 2.5)) return true;  // the clip
  if (inner && fill > 0 && y >= 37.5 - fill * 28.0) return true;
  const bool lines = inRoundRect(x, y, 14.5, 19, 29.5, 22, 1.5) || inRoundRect(x, y, 14.5, 27, 25.5, 30, 1.5);
  return lines;
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
          const bool in = swatch ? inRoundRect(x, y, 10, 10, 34, 34, 12) : covered(x, y, fill);
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

ui::ImageRef make(const std::string& name) {
  static const std::string kIcon = "StatusIcon";
  static const std::string kAnimate = "Animate";
  static const std::string kSwatch = "color-state-";
  if (name.starts_with(kSwatch)) {
    const auto colour = colourOf(name.substr(kSwatch.size()));
    return colour ? draw(name, *colour, 0, true) : nullptr;
  }
  if (!name.starts_with(kIcon)) return nullptr;
  std::string rest = name.substr(kIcon.size());
  double fill = 0;
  if (const auto at = rest.find(kAnimate); at != std::string::npos) {
    const std::string frame = rest.substr(at + kAnimate.size());
    if (frame.size() != 1 || frame[0] < '0' || frame[0] > '3') return nullptr;
    fill = (frame[0] - '0' + 1) / 4.0;
    rest = rest.substr(0, at);
  }
  const auto colour = colourOf(rest);
  return colour ? draw(name, *colour, fill, false) : nullptr;
}

}  // namespace

ui::ImageRef statusIconNamed(const std::string& name) {
  static std::map<std::string, ui::ImageRef> cache;
  if (auto it = cache.find(name); it != cache.end()) return it->second;
  ui::ImageRef image = make(name);
  cache.emplace(name, image);
  return image;
}

}  // namespace vl
