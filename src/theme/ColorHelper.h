#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/ui/graphics/Color.h"

namespace vl {

// Hex text as stored pin-tab colours write it: exactly six (RRGGBB) or eight (RRGGBBAA) characters, no "#".
class ColorHelper {
 public:
  // nullopt for any other length. The leading hex digits are the number, so "12zzzz" reads as 000012.
  static std::optional<ui::Color> colorFromString(std::string_view text);
  // The leading hexadecimal digits as one number; 0 when there are none.
  static std::uint32_t intFromHexString(std::string_view text);
};

}  // namespace vl
