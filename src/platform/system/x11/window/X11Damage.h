#pragma once

#include <optional>

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/graphics/Geometry.h"

namespace vl::x11 {

// What must be repainted when a window's display list went from `before` to `after`, in window points:
// nullopt when nothing visible changed, the union of the reach of the steps that differ otherwise. A list
// that changed its length or a clip is `whole` (the caller repaints everything).
struct Damage {
  std::optional<ui::Rect> rect;
  bool whole = false;
  bool any() const { return whole || rect.has_value(); }
};
Damage damageBetween(const ui::DisplayList& before, const ui::DisplayList& after);

}  // namespace vl::x11
