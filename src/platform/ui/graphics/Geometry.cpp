#include "platform/ui/graphics/Geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace vl::ui {

Rect Rect::intersection(const Rect& r) const {
  if (!intersects(r)) return {};
  double x0 = std::max(minX(), r.minX());
  double y0 = std::max(minY(), r.minY());
  double x1 = std::min(maxX(), r.maxX());
  double y1 = std::min(maxY(), r.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::unionWith(const Rect& r) const {
  if (isEmpty()) return r.standardized();
  if (r.isEmpty()) return standardized();
  double x0 = std::min(minX(), r.minX());
  double y0 = std::min(minY(), r.minY());
  double x1 = std::max(maxX(), r.maxX());
  double y1 = std::max(maxY(), r.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

namespace {

std::string number(double v) {
  if (std::isnan(v)) return "nan";
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// Reads up to `count` numbers in order, skipping anything that cannot start one.
std::vector<double> numbers(std::string_view text, std::size_t count) {
  std::vector<double> out;
  std::string buf(text);
  const char* p = buf.c_str();
  while (*p && out.size() < count) {
    char* end = nullptr;
    if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '+' || *p == '.') {
      double v = std::strtod(p, &end);
      if (end != p) {
        out.push_back(std::isfinite(v) ? v : 0);
        p = end;
        continue;
      }
    }
    ++p;
  }
  out.resize(count, 0);
  return out;
}

}  // namespace

std::string stringFromPoint(Point p) { return "{" + number(p.x) + ", " + number(p.y) + "}"; }

std::string stringFromSize(Size s) { return "{" + number(s.width) + ", " + number(s.height) + "}"; }

std::string stringFromRect(const Rect& r) {
  return "{" + stringFromPoint(r.origin) + ", " + stringFromSize(r.size) + "}";
}

Point pointFromString(std::string_view text) {
  auto v = numbers(text, 2);
  return {v[0], v[1]};
}

Size sizeFromString(std::string_view text) {
  auto v = numbers(text, 2);
  return {v[0], v[1]};
}

Rect rectFromString(std::string_view text) {
  auto v = numbers(text, 4);
  return {v[0], v[1], v[2], v[3]};
}

}  // namespace vl::ui
