#pragma once

#include <optional>
#include <string>

namespace vl {

// Whether the GTK settings ask for a dark look, for desktops without the portal's colour scheme:
// GTK_THEME naming a dark theme ("Adwaita:dark", "Foo-dark"), else GTK 4's or 3's settings.ini under
// `configHome` ($XDG_CONFIG_HOME, else ~/.config, when empty) with gtk-application-prefer-dark-theme
// set or a gtk-theme-name ending in "-dark". nullopt when none of them says anything.
//
// `liveThemeName` is the theme a running settings manager announces (XSETTINGS Net/ThemeName): it stands
// for the file's gtk-theme-name, as GTK itself lets it, while the file's prefer-dark still counts.
std::optional<bool> gtkThemePrefersDark(const std::string& configHome = {},
                                        const std::optional<std::string>& liveThemeName = std::nullopt);

// The same test on one theme name.
bool gtkThemeNameIsDark(const std::string& name);

}  // namespace vl
