#include "platform/ui/graphics/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vl::ui {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int byte(double component) { return static_cast<int>(std::lround(std::clamp(component, 0.0, 1.0) * 255)); }

}  // namespace

Color Color::fromHex(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  // A hexadecimal scan also accepts a "0x" prefix and leading blanks.
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && hexDigit(text[2]) >= 0) {
    text.remove_prefix(2);
  }
  // Only the low 24 bits matter, so longer numbers simply keep their last six digits.
  std::uint32_t value = 0;
  for (char c : text) {
    int d = hexDigit(c);
    if (d < 0) break;
    value = ((value << 4) | static_cast<std::uint32_t>(d)) & 0xffffff;
  }
  return rgb24(value);
}

std::string Color::hexString() const {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", byte(red), byte(green), byte(blue));
  return buf;
}

std::string Color::description() const {
  char buf[96];
  std::snprintf(buf, sizeof buf, "rgba(%g, %g, %g, %g)", red, green, blue, alpha);
  return buf;
}

Color Color::mix(const Color& a, const Color& b, double t) {
  auto lerp = [t](double x, double y) { return x + (y - x) * t; };
  return {lerp(a.red, b.red), lerp(a.green, b.green), lerp(a.blue, b.blue), lerp(a.alpha, b.alpha)};
}

Gradient::Gradient(const std::vector<Color>& colors) : Gradient(colors, {}) {}

Gradient::Gradient(const std::vector<Color>& colors, const std::vector<double>& locations) {
  std::size_t n = colors.size();
  for (std::size_t i = 0; i < n; ++i) {
    double loc = i < locations.size() ? locations[i] : (n == 1 ? 0.0 : static_cast<double>(i) / (n - 1));
    if (std::isnan(loc)) loc = 0;
    stops_.push_back({colors[i], std::clamp(loc, 0.0, 1.0)});
  }
  std::stable_sort(stops_.begin(), stops_.end(),
                   [](const Stop& a, const Stop& b) { return a.location < b.location; });
}

Color Gradient::colorAt(double location) const {
  if (stops_.empty()) return Color::clear();
  if (location <= stops_.front().location) return stops_.front().color;
  if (location >= stops_.back().location) return stops_.back().color;
  for (std::size_t i = 1; i < stops_.size(); ++i) {
    const Stop& hi = stops_[i];
    if (location <= hi.location) {
      const Stop& lo = stops_[i - 1];
      double span = hi.location - lo.location;
      return span <= 0 ? hi.color : Color::mix(lo.color, hi.color, (location - lo.location) / span);
    }
  }
  return stops_.back().color;
}

}  // namespace vl::ui
