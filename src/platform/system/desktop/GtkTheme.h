#pragma once

#include <optional>
#include <string>

namespace vl {

// Whether the GTK settings ask for a dark look, for desktops without the portal's colour scheme:
// GTK_THEME naming a dark theme ("Adwaita:dark", "Foo-dark"), else GTK 4's or 3's settings.ini under
// `configHome` ($XDG_CONFIG_HOME, else ~/.config, when empty) with gtk-application-prefer-dark-theme
// set or a gtk-theme-name ending in "-dark". nullopt when none of them says anything.
std::optional<bool> gtkThemePrefersDark(const std::string& configHome = {});

// The same test on one theme name.
bool gtkThemeNameIsDark(const std::string& name);

}  // namespace vl
