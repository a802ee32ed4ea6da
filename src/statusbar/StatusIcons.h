#pragma once

#include <optional>
#include <string>

#include "platform/ui/graphics/Image.h"
#include "platform/ui/menu/StatusItem.h"

namespace vl {

// The status item's pictures, drawn here rather than shipped: a clipboard in the chosen colour and the
// four frames of the copy pulse, in which the board fills from the bottom. Names follow the icon table
// ("StatusIconRed", "StatusIconBlackAnimate2", "StatusIconWhite"); the colour swatches of the menu are
// "color-state-red", "color-state-black" and "color-state-white". Each picture is 22 points square drawn
// at 44 pixels, so tray hosts that want another size scale down from it. nullptr for any other name.
// Answers are kept per name. Main thread only.
ui::ImageRef statusIconNamed(const std::string& name);

// The one-colour form of a black or white picture (the icon and its pulse frames) for tray hosts that draw
// icons in their own foreground colour: "vellisto-tray-symbolic", "vellisto-tray-pulse1-symbolic" ...
// and an SVG of the same shapes. nullopt for the red pictures and any other name.
std::optional<ui::SymbolicIcon> statusSymbolicIcon(const std::string& name);

}  // namespace vl
