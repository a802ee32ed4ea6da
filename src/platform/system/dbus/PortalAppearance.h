#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace vl::dbus {

class BusConnection;

// Follows the desktop's light or dark mode: the portal's org.freedesktop.appearance color-scheme, read
// once and then through its SettingChanged signal. Each answer goes to DesktopAppearance on the main
// queue, which sets the toolkit's system appearance. Without a portal, or when it states no preference,
// the GTK theme decides, followed live. VELLISTO_APPEARANCE, when set, wins over both and nothing is
// followed.
void followPortalAppearance(const std::shared_ptr<BusConnection>& bus);

// The portal's colour scheme as dark (1), light (2) or no preference (0, and anything unknown).
std::optional<bool> darkFromColorScheme(std::uint32_t scheme);

}  // namespace vl::dbus
