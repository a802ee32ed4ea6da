#pragma once

#include <optional>

#include "core/files/PathHelper.h"
#include "platform/ui/graphics/BezierPath.h"

namespace vl {

// The path as a layer takes it (a shadow or mask outline): closed at the end when the last subpath was
// left open; nothing for an empty path.
inline std::optional<ui::BezierPath> quartzPath(const ui::BezierPath& path) {
  return PathHelper::createShadowPath(path);
}

}  // namespace vl
