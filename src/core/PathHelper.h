#pragma once

#include <array>
#include <memory>
#include <vector>

namespace vl {

// Path types for shadow shapes, standing in until the UI toolkit offers its own: a mutable bezier
// path built by drawing code and the immutable path a layer's shadow takes.
struct PathPoint {
  double x = 0;
  double y = 0;
  bool operator==(const PathPoint&) const = default;
};

struct PathElement {
  enum class Type { MoveTo, LineTo, CurveTo, ClosePath };
  Type type = Type::MoveTo;
  // MoveTo and LineTo use points[0]; CurveTo holds control 1, control 2, end point.
  std::array<PathPoint, 3> points{};
  bool operator==(const PathElement&) const = default;
};

class BezierPath {
 public:
  void moveTo(PathPoint p);
  void lineTo(PathPoint p);
  void curveTo(PathPoint end, PathPoint control1, PathPoint control2);
  void closePath();

  const std::vector<PathElement>& elements() const { return elements_; }
  std::size_t elementCount() const { return elements_.size(); }

 private:
  std::vector<PathElement> elements_;
};

// An immutable path; shared ownership replaces a manual release.
class ShadowPath {
 public:
  explicit ShadowPath(std::vector<PathElement> elements) : elements_(std::move(elements)) {}
  const std::vector<PathElement>& elements() const { return elements_; }

 private:
  std::vector<PathElement> elements_;
};

class PathHelper {
 public:
  // The bezier path as an immutable path whose last subpath is closed when it ends in an open line or
  // curve; nullptr for a path without elements.
  static std::shared_ptr<const ShadowPath> createShadowPath(const BezierPath& path);
};

}  // namespace vl
