#pragma once

#include <string>

#include "platform/ui/graphics/Image.h"

namespace vl {

// The status item's pictures, drawn here rather than shipped: a clipboard in the chosen colour and the
// four frames of the copy pulse, in which the board fills from the bottom. Names follow the icon table
// ("StatusIconRed", "StatusIconBlackAnimate2", "StatusIconWhite"); the colour swatches of the menu are
// "color-state-red", "color-state-black" and "color-state-white". Each picture is 22 points square drawn
// at 44 pixels, so tray hosts that want another size scale down from it. nullptr for any other name.
// Answers are kept per name. Main thread only.
ui::ImageRef statusIconNamed(const std::string& name);

}  // namespace vl
