#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/graphics/Geometry.h"

namespace vl::ui {

// Which corners of a rounded rectangle are rounded, in the rectangle's own coordinates.
enum CornerMask : std::uint32_t {
  MinXMinYCorner = 1,
  MaxXMinYCorner = 2,
  MinXMaxYCorner = 4,
  MaxXMaxYCorner = 8,
  AllCorners = 15,
};

// A vector outline made of move, line, cubic curve and close elements.
class BezierPath {
 public:
  enum class ElementType { MoveTo, LineTo, CurveTo, ClosePath };
  struct Element {
    ElementType type = ElementType::MoveTo;
    // MoveTo and LineTo use points[0]; CurveTo holds control 1, control 2, end point.
    std::array<Point, 3> points{};
    bool operator==(const Element&) const = default;
  };

  BezierPath() = default;
  static BezierPath rect(const Rect& r);
  // Rounded rectangle; the radii are clamped to half the width and height.
  static BezierPath roundedRect(const Rect& r, double xRadius, double yRadius);
  // Rounded rectangle with only the corners in `corners` rounded (square elsewhere).
  static BezierPath roundedRectWithCorners(const Rect& r, double radius, std::uint32_t corners);
  static BezierPath oval(const Rect& r);

  void moveTo(Point p);
  // A line or curve without a current point starts a subpath at its start point, as if moved there.
  void lineTo(Point p);
  void curveTo(Point end, Point control1, Point control2);
  void closePath();
  void appendRect(const Rect& r);
  void append(const BezierPath& other);

  const std::vector<Element>& elements() const { return elements_; }
  bool isEmpty() const { return elements_.empty(); }
  // Bounds of all points, control points included.
  Rect controlPointBounds() const;
  // True when the last subpath ends with a close element.
  bool isClosed() const;
  // The same path with every point mapped.
  BezierPath transformed(const Transform& t) const;

  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double w) { lineWidth_ = w; }

  std::string description() const;
  bool operator==(const BezierPath&) const = default;

 private:
  std::vector<Element> elements_;
  Point current_;
  Point subpathStart_;
  bool hasCurrent_ = false;
  double lineWidth_ = 1;
};

}  // namespace vl::ui
