#include "theme/ColorHelper.h"

#include "platform/foundation/Text.h"

namespace vl {

std::uint32_t ColorHelper::intFromHexString(std::string_view text) {
  std::uint64_t value = 0;
  for (char c : text) {
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) break;
    value = (value << 4) | static_cast<std::uint64_t>(d);
    if (value > UINT32_MAX) return UINT32_MAX;
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<ui::Color> ColorHelper::colorFromString(std::string_view text) {
  const std::size_t length = utf16Length(text);
  if (length != 6 && length != 8) return std::nullopt;
  const std::uint32_t n = intFromHexString(text);
  auto byte = [n](int shift) { return static_cast<double>((n >> shift) & 0xff) / 255.0; };
  if (length == 6) return ui::Color::rgba(byte(16), byte(8), byte(0), 1);
  return ui::Color::rgba(byte(24), byte(16), byte(8), byte(0));
}

}  // namespace vl
