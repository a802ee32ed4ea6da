#include "platform/ui/graphics/BezierPath.h"

#include <algorithm>
#include <cmath>

namespace vl::ui {

namespace {

// Control-point distance that makes a cubic curve approximate a quarter circle.
constexpr double kKappa = 0.5522847498307936;

struct CornerRadii {
  double x = 0;
  double y = 0;
};

// Outline of a rectangle whose corners, counter-clockwise from the minimum corner, have their own radii.
BezierPath roundedOutline(const Rect& rect, CornerRadii minMin, CornerRadii maxMin, CornerRadii maxMax,
                          CornerRadii minMax) {
  Rect r = rect.standardized();
  BezierPath path;
  double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
  path.moveTo({x0 + minMin.x, y0});
  path.lineTo({x1 - maxMin.x, y0});
  if (maxMin.x > 0 && maxMin.y > 0) {
    path.curveTo({x1, y0 + maxMin.y}, {x1 - maxMin.x + kKappa * maxMin.x, y0},
                 {x1, y0 + maxMin.y - kKappa * maxMin.y});
  }
  path.lineTo({x1, y1 - maxMax.y});
  if (maxMax.x > 0 && maxMax.y > 0) {
    path.curveTo({x1 - maxMax.x, y1}, {x1, y1 - maxMax.y + kKappa * maxMax.y},
                 {x1 - maxMax.x + kKappa * maxMax.x, y1});
  }
  path.lineTo({x0 + minMax.x, y1});
  if (minMax.x > 0 && minMax.y > 0) {
    path.curveTo({x0, y1 - minMax.y}, {x0 + minMax.x - kKappa * minMax.x, y1},
                 {x0, y1 - minMax.y + kKappa * minMax.y});
  }
  path.lineTo({x0, y0 + minMin.y});
  if (minMin.x > 0 && minMin.y > 0) {
    path.curveTo({x0 + minMin.x, y0}, {x0, y0 + minMin.y - kKappa * minMin.y},
                 {x0 + minMin.x - kKappa * minMin.x, y0});
  }
  path.closePath();
  return path;
}

double clampRadius(double radius, double limit) {
  if (!(radius > 0)) return 0;  // also NaN
  return std::min(radius, limit);
}

}  // namespace

BezierPath BezierPath::rect(const Rect& r) {
  BezierPath path;
  path.appendRect(r);
  return path;
}

BezierPath BezierPath::roundedRect(const Rect& r, double xRadius, double yRadius) {
  double rx = clampRadius(xRadius, r.width() / 2);
  double ry = clampRadius(yRadius, r.height() / 2);
  if (rx == 0 || ry == 0) return rect(r);
  CornerRadii c{rx, ry};
  return roundedOutline(r, c, c, c, c);
}

BezierPath BezierPath::roundedRectWithCorners(const Rect& r, double radius, std::uint32_t corners) {
  double rad = clampRadius(radius, std::min(r.width(), r.height()) / 2);
  if (rad == 0 || (corners & AllCorners) == 0) return rect(r);
  auto pick = [&](std::uint32_t bit) { return (corners & bit) ? CornerRadii{rad, rad} : CornerRadii{}; };
  return roundedOutline(r, pick(MinXMinYCorner), pick(MaxXMinYCorner), pick(MaxXMaxYCorner),
                        pick(MinXMaxYCorner));
}

BezierPath BezierPath::oval(const Rect& r) {
  Rect s = r.standardized();
  CornerRadii c{s.width() / 2, s.height() / 2};
  if (c.x == 0 || c.y == 0) return rect(r);
  return roundedOutline(s, c, c, c, c);
}

void BezierPath::moveTo(Point p) {
  elements_.push_back({ElementType::MoveTo, {p, Point{}, Point{}}});
  current_ = subpathStart_ = p;
  hasCurrent_ = true;
}

void BezierPath::lineTo(Point p) {
  if (!hasCurrent_) moveTo(p);
  elements_.push_back({ElementType::LineTo, {p, Point{}, Point{}}});
  current_ = p;
}

void BezierPath::curveTo(Point end, Point control1, Point control2) {
  if (!hasCurrent_) moveTo(control1);
  elements_.push_back({ElementType::CurveTo, {control1, control2, end}});
  current_ = end;
}

void BezierPath::closePath() {
  if (!hasCurrent_ || elements_.empty() || elements_.back().type == ElementType::ClosePath) return;
  elements_.push_back({ElementType::ClosePath, {}});
  // After a close the next element starts again at the subpath's first point.
  current_ = subpathStart_;
}

void BezierPath::appendRect(const Rect& rect) {
  Rect r = rect.standardized();
  moveTo({r.minX(), r.minY()});
  lineTo({r.maxX(), r.minY()});
  lineTo({r.maxX(), r.maxY()});
  lineTo({r.minX(), r.maxY()});
  closePath();
}

void BezierPath::append(const BezierPath& other) {
  for (const Element& e : other.elements_) {
    switch (e.type) {
      case ElementType::MoveTo:
        moveTo(e.points[0]);
        break;
      case ElementType::LineTo:
        lineTo(e.points[0]);
        break;
      case ElementType::CurveTo:
        curveTo(e.points[2], e.points[0], e.points[1]);
        break;
      case ElementType::ClosePath:
        closePath();
        break;
    }
  }
}

Rect BezierPath::controlPointBounds() const {
  bool any = false;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  for (const Element& e : elements_) {
    int n = e.type == ElementType::CurveTo ? 3 : (e.type == ElementType::ClosePath ? 0 : 1);
    for (int i = 0; i < n; ++i) {
      const Point& p = e.points[static_cast<std::size_t>(i)];
      if (!any) {
        x0 = x1 = p.x;
        y0 = y1 = p.y;
        any = true;
      }
      x0 = std::min(x0, p.x);
      x1 = std::max(x1, p.x);
      y0 = std::min(y0, p.y);
      y1 = std::max(y1, p.y);
    }
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

bool BezierPath::isClosed() const {
  return !elements_.empty() && elements_.back().type == ElementType::ClosePath;
}

BezierPath BezierPath::transformed(const Transform& t) const {
  BezierPath out = *this;
  for (Element& e : out.elements_) {
    for (Point& p : e.points) p = t.apply(p);
  }
  out.current_ = t.apply(current_);
  out.subpathStart_ = t.apply(subpathStart_);
  return out;
}

std::string BezierPath::description() const {
  std::string s;
  for (const Element& e : elements_) {
    if (!s.empty()) s += ' ';
    switch (e.type) {
      case ElementType::MoveTo:
        s += "M" + stringFromPoint(e.points[0]);
        break;
      case ElementType::LineTo:
        s += "L" + stringFromPoint(e.points[0]);
        break;
      case ElementType::CurveTo:
        s += "C" + stringFromPoint(e.points[0]) + stringFromPoint(e.points[1]) + stringFromPoint(e.points[2]);
        break;
      case ElementType::ClosePath:
        s += "Z";
        break;
    }
  }
  return s;
}

}  // namespace vl::ui
