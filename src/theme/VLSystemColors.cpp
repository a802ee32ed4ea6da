#include "theme/VLSystemColors.h"

#include <map>

namespace vl {

namespace {

using ui::Color;

VLSystemColor fixed(std::uint32_t rgb, double alpha = 1) {
  return {Color::rgb24(rgb, alpha), Color::rgb24(rgb, alpha)};
}
VLSystemColor pair(std::uint32_t light, std::uint32_t dark, double lightAlpha = 1, double darkAlpha = 1) {
  return {Color::rgb24(light, lightAlpha), Color::rgb24(dark, darkAlpha)};
}

const std::map<std::string, VLSystemColor>& table() {
  static const std::map<std::string, VLSystemColor> colors = {
      // Plain colours.
      {"clearColor", fixed(0x000000, 0)},
      {"blackColor", fixed(0x000000)},
      {"whiteColor", fixed(0xFFFFFF)},
      {"grayColor", fixed(0x808080)},
      {"darkGrayColor", fixed(0x555555)},
      {"lightGrayColor", fixed(0xAAAAAA)},
      {"redColor", fixed(0xFF0000)},
      {"greenColor", fixed(0x00FF00)},
      {"blueColor", fixed(0x0000FF)},
      {"cyanColor", fixed(0x00FFFF)},
      {"yellowColor", fixed(0xFFFF00)},
      {"magentaColor", fixed(0xFF00FF)},
      {"orangeColor", fixed(0xFF8000)},
      {"purpleColor", fixed(0x800080)},
      {"brownColor", fixed(0x996633)},
      // Accent hues, a little lighter in dark mode.
      {"systemBlueColor", pair(0x1E6FE0, 0x3D8BF2)},
      {"systemBrownColor", pair(0x9A7550, 0xA88563)},
      {"systemGrayColor", pair(0x8A8A8F, 0x96969B)},
      {"systemGreenColor", pair(0x2DB24A, 0x3CC95C)},
      {"systemIndigoColor", pair(0x5A52D0, 0x6C64E0)},
      {"systemOrangeColor", pair(0xF2920C, 0xF7A030)},
      {"systemPinkColor", pair(0xF0305A, 0xF5456C)},
      {"systemPurpleColor", pair(0xA550D8, 0xB763E6)},
      {"systemRedColor", pair(0xF03A30, 0xF5504A)},
      {"systemTealColor", pair(0x4FB0D8, 0x62C2E6)},
      {"systemYellowColor", pair(0xF5C400, 0xF8D020)},
      {"controlAccentColor", pair(0x1E6FE0, 0x3D8BF2)},
      {"linkColor", pair(0x1A5FC8, 0x4A95F5)},
      // Text.
      {"labelColor", pair(0x000000, 0xFFFFFF, 0.85, 0.85)},
      {"secondaryLabelColor", pair(0x000000, 0xFFFFFF, 0.5, 0.55)},
      {"tertiaryLabelColor", pair(0x000000, 0xFFFFFF, 0.26, 0.25)},
      {"quaternaryLabelColor", pair(0x000000, 0xFFFFFF, 0.1, 0.1)},
      {"textColor", pair(0x000000, 0xFFFFFF)},
      {"placeholderTextColor", pair(0x000000, 0xFFFFFF, 0.25, 0.25)},
      {"selectedTextColor", pair(0x000000, 0xFFFFFF)},
      {"controlTextColor", pair(0x000000, 0xFFFFFF, 0.85, 0.85)},
      {"disabledControlTextColor", pair(0x000000, 0xFFFFFF, 0.25, 0.25)},
      {"headerTextColor", pair(0x000000, 0xFFFFFF, 0.85, 1)},
      // Backgrounds and lines.
      {"textBackgroundColor", pair(0xFFFFFF, 0x1F1F1F)},
      {"windowBackgroundColor", pair(0xEDEDED, 0x2C2C2C)},
      {"underPageBackgroundColor", pair(0x969696, 0x282828)},
      {"controlBackgroundColor", pair(0xFFFFFF, 0x1F1F1F)},
      {"controlColor", pair(0xFFFFFF, 0xFFFFFF, 1, 0.25)},
      {"selectedControlColor", pair(0xB3D4FC, 0x3F638C)},
      {"selectedTextBackgroundColor", pair(0xB3D4FC, 0x3F638C)},
      {"selectedContentBackgroundColor", pair(0x0A5FD6, 0x0A50B5)},
      {"unemphasizedSelectedContentBackgroundColor", pair(0xDCDCDC, 0x464646)},
      {"separatorColor", pair(0x000000, 0xFFFFFF, 0.1, 0.1)},
      {"gridColor", pair(0xE6E6E6, 0x1A1A1A)},
      {"shadowColor", fixed(0x000000)},
  };
  return colors;
}

}  // namespace

std::optional<VLSystemColor> systemColorNamed(const std::string& name) {
  const auto& colors = table();
  auto it = colors.find(name);
  if (it == colors.end()) return std::nullopt;
  return it->second;
}

}  // namespace vl
