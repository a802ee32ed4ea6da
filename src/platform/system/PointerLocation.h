#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/ui/graphics/Geometry.h"

namespace vl {

// Where the pointer is now, in the toolkit's screen coordinates (the same space the screens are given
// in); nullopt when the desktop cannot tell.
using PointerLocationSource = std::function<std::optional<ui::Point>()>;

// A source asking the X server named by `displayName` ($DISPLAY when empty) over a connection of its
// own, opened on first use; an empty function when there is no X display. Main thread only.
PointerLocationSource pointerLocationSource(const std::string& displayName = {});

}  // namespace vl
