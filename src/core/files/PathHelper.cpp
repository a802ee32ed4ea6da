#include "core/files/PathHelper.h"

namespace vl {

std::optional<ui::BezierPath> PathHelper::createShadowPath(const ui::BezierPath& path) {
  if (path.isEmpty()) return std::nullopt;
  using Type = ui::BezierPath::ElementType;
  bool closed = true;
  for (const auto& element : path.elements()) {
    if (element.type == Type::LineTo || element.type == Type::CurveTo) closed = false;
    if (element.type == Type::ClosePath) closed = true;
  }
  ui::BezierPath shadow = path;
  if (!closed) shadow.closePath();
  return shadow;
}

}  // namespace vl
