#pragma once

#include <string>
#include <string_view>

// Plain geometry in points. Coordinates have their origin at the bottom left with y growing upward,
// unless a view says it is flipped (then y grows downward from its top left).
namespace vl::ui {

struct Point {
  double x = 0;
  double y = 0;
  constexpr bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  constexpr bool operator==(const Size&) const = default;
};

struct EdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  constexpr bool operator==(const EdgeInsets&) const = default;
};

struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(Point o, Size s) : origin(o), size(s) {}
  constexpr Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
  constexpr bool operator==(const Rect&) const = default;

  constexpr double minX() const { return size.width < 0 ? origin.x + size.width : origin.x; }
  constexpr double maxX() const { return size.width < 0 ? origin.x : origin.x + size.width; }
  constexpr double minY() const { return size.height < 0 ? origin.y + size.height : origin.y; }
  constexpr double maxY() const { return size.height < 0 ? origin.y : origin.y + size.height; }
  constexpr double midX() const { return (minX() + maxX()) / 2; }
  constexpr double midY() const { return (minY() + maxY()) / 2; }
  constexpr double width() const { return size.width < 0 ? -size.width : size.width; }
  constexpr double height() const { return size.height < 0 ? -size.height : size.height; }

  // No area. Negative sizes count as their magnitude, as the other accessors do.
  constexpr bool isEmpty() const { return size.width == 0 || size.height == 0; }
  // Same rectangle with a non-negative width and height.
  constexpr Rect standardized() const { return {minX(), minY(), width(), height()}; }

  // Half-open: a point on the minimum edges is inside, one on the maximum edges is not. The same
  // test serves flipped and unflipped views, so a click on a shared edge reaches exactly one view.
  constexpr bool contains(Point p) const {
    return !isEmpty() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
  }
  constexpr bool contains(const Rect& r) const {
    return !isEmpty() && !r.isEmpty() && r.minX() >= minX() && r.maxX() <= maxX() && r.minY() >= minY() &&
           r.maxY() <= maxY();
  }
  constexpr bool intersects(const Rect& r) const {
    return !isEmpty() && !r.isEmpty() && r.minX() < maxX() && minX() < r.maxX() && r.minY() < maxY() &&
           minY() < r.maxY();
  }
  // The common part; the zero rectangle when they do not intersect.
  Rect intersection(const Rect& r) const;
  // The smallest rectangle holding both; an empty rectangle does not count.
  Rect unionWith(const Rect& r) const;
  constexpr Rect insetBy(double dx, double dy) const {
    return {minX() + dx, minY() + dy, width() - 2 * dx, height() - 2 * dy};
  }
  constexpr Rect insetBy(const EdgeInsets& in) const {
    return {minX() + in.left, minY() + in.bottom, width() - in.left - in.right,
            height() - in.top - in.bottom};
  }
  constexpr Rect offsetBy(double dx, double dy) const {
    return {origin.x + dx, origin.y + dy, size.width, size.height};
  }
};

// Maps points between two coordinate systems that differ by a translation and, when a flipped view
// meets an unflipped one, a mirrored y axis: x' = x + tx, y' = sy * y + ty with sy = 1 or -1.
struct Transform {
  double tx = 0;
  double ty = 0;
  double sy = 1;

  constexpr Point apply(Point p) const { return {p.x + tx, sy * p.y + ty}; }
  constexpr Rect apply(const Rect& r) const {
    Rect s = r.standardized();
    double y0 = sy * s.minY() + ty;
    double y1 = sy * s.maxY() + ty;
    return {s.minX() + tx, y0 < y1 ? y0 : y1, s.width(), s.height()};
  }
  // This transform applied after `inner`.
  constexpr Transform after(const Transform& inner) const {
    return {inner.tx + tx, sy * inner.ty + ty, sy * inner.sy};
  }
  constexpr Transform inverted() const { return {-tx, -sy * ty, sy}; }
  constexpr bool operator==(const Transform&) const = default;
};

// The text forms "{x, y}", "{w, h}" and "{{x, y}, {w, h}}" used by stored settings. Numbers are written
// in their shortest exact form ("{380, 262.5}"). Parsing takes the numbers in order and ignores the
// punctuation; missing or unreadable numbers read as 0, so any text gives a value.
std::string stringFromPoint(Point p);
std::string stringFromSize(Size s);
std::string stringFromRect(const Rect& r);
Point pointFromString(std::string_view text);
Rect rectFromString(std::string_view text);

}  // namespace vl::ui
