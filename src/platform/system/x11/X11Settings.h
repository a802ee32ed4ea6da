#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace vl::x11 {

// The desktop's settings as the settings manager publishes them (the _XSETTINGS_S<n> owner's
// _XSETTINGS_SETTINGS property): integers, strings and colours by name ("Gtk/FontName").
struct XSettingsColor {
  std::uint16_t red = 0, green = 0, blue = 0, alpha = 0;
  bool operator==(const XSettingsColor&) const = default;
};
using XSettingsValue = std::variant<std::int32_t, std::string, XSettingsColor>;
using XSettings = std::map<std::string, XSettingsValue>;

// Reads the property's bytes. The data comes from another client, so every length is checked against
// what is left before it is used and at most kMaxXSettings entries are read; a malformed record ends the
// reading (logged) and keeps what came before it.
constexpr std::size_t kMaxXSettings = 1024;
XSettings parseXSettings(std::string_view bytes);

// "Xft.dpi" from the resource database text (RESOURCE_MANAGER); 0 when absent or not a sane number.
double xftDpiFromResources(std::string_view resources);

// The backing scale: the settings' integral window scaling when set, else the DPI in steps of 96 (a
// 168 dpi screen and up is 2x). Always 1 ... 4.
double backingScaleFor(const XSettings& settings, double xftDpi);

// The desktop's UI font description ("Cantarell 11"), "" when the settings name none.
std::string desktopFontName(const XSettings& settings);

}  // namespace vl::x11
