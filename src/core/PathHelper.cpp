#include "core/PathHelper.h"

namespace vl {

void BezierPath::moveTo(PathPoint p) { elements_.push_back({PathElement::Type::MoveTo, {p, {}, {}}}); }

void BezierPath::lineTo(PathPoint p) { elements_.push_back({PathElement::Type::LineTo, {p, {}, {}}}); }

void BezierPath::curveTo(PathPoint end, PathPoint control1, PathPoint control2) {
  elements_.push_back({PathElement::Type::CurveTo, {control1, control2, end}});
}

void BezierPath::closePath() { elements_.push_back({PathElement::Type::ClosePath, {}}); }

std::shared_ptr<const ShadowPath> PathHelper::createShadowPath(const BezierPath& path) {
  if (path.elementCount() == 0) return nullptr;
  std::vector<PathElement> out;
  out.reserve(path.elementCount() + 1);
  bool closed = true;
  for (const auto& element : path.elements()) {
    out.push_back(element);
    switch (element.type) {
      case PathElement::Type::MoveTo:
        break;
      case PathElement::Type::LineTo:
      case PathElement::Type::CurveTo:
        closed = false;
        break;
      case PathElement::Type::ClosePath:
        closed = true;
        break;
    }
  }
  if (!closed) out.push_back({PathElement::Type::ClosePath, {}});
  return std::make_shared<const ShadowPath>(std::move(out));
}

}  // namespace vl
