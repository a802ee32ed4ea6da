#pragma once

#include <optional>

#include "platform/ui/graphics/BezierPath.h"

namespace vl {

class PathHelper {
 public:
  // The path a layer's shadow takes: the bezier path with its last subpath closed when it ends in an
  // open line or curve; nothing for a path without elements.
  static std::optional<ui::BezierPath> createShadowPath(const ui::BezierPath& path);
};

}  // namespace vl
