#include "platform/system/dbus/PortalAppearance.h"

#include <sdbus-c++/sdbus-c++.h>

#include <cstdlib>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/desktop/DesktopAppearance.h"

namespace vl::dbus {

namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettings = "org.freedesktop.portal.Settings";
constexpr const char* kNamespace = "org.freedesktop.appearance";
constexpr const char* kKey = "color-scheme";

// The old Read wraps the value in one more variant; a hostile portal could nest deeper.
std::optional<std::uint32_t> schemeOf(const sdbus::Variant& value, int depth = 0) {
  if (value.containsValueOfType<std::uint32_t>()) return value.get<std::uint32_t>();
  if (value.containsValueOfType<std::int32_t>()) return static_cast<std::uint32_t>(value.get<std::int32_t>());
  if (depth < 2 && value.containsValueOfType<sdbus::Variant>())
    return schemeOf(value.get<sdbus::Variant>(), depth + 1);
  return std::nullopt;
}

// nullopt: no portal, or it states no preference; the GTK theme then decides, and is followed.
void applyDark(std::optional<bool> dark) {
  dispatch::Queue::main()->async([dark] {
    DesktopAppearance& appearance = DesktopAppearance::shared();
    // The program's own start follows the desktop first; a bus used alone (tests) starts it here.
    if (!appearance.following()) appearance.follow();
    appearance.portalAnswered(dark);
  });
}

void applyScheme(const sdbus::Variant& value) {
  std::optional<std::uint32_t> scheme = schemeOf(value);
  if (!scheme) logWarning("appearance: the portal's color-scheme is not a number; ignored");
  applyDark(scheme ? darkFromColorScheme(*scheme) : std::nullopt);
}

// Lives on the bus thread: the portal proxy and its signal subscription.
struct PortalWatch {
  std::unique_ptr<sdbus::IProxy> proxy;

  void readOld() {
    proxy->callMethodAsync("Read")
        .onInterface(kSettings)
        .withArguments(std::string(kNamespace), std::string(kKey))
        .uponReplyInvoke([](const sdbus::Error* error, sdbus::Variant value) {
          if (error) {
            logf("appearance: no desktop portal colour scheme (%s); following the GTK theme",
                 error->getName().c_str());
            applyDark(std::nullopt);
            return;
          }
          applyScheme(value);
        });
  }
};

}  // namespace

std::optional<bool> darkFromColorScheme(std::uint32_t scheme) {
  if (scheme == 1) return true;
  if (scheme == 2) return false;
  return std::nullopt;
}

void followPortalAppearance(const std::shared_ptr<BusConnection>& bus) {
  if (const std::string forced = environmentValue("VELLISTO_APPEARANCE"); !forced.empty()) {
    logf("appearance: VELLISTO_APPEARANCE=%s; the desktop's mode is not followed", forced.c_str());
    return;
  }
  bus->post([bus = bus.get()](sdbus::IConnection& connection) {
    auto watch = std::make_shared<PortalWatch>();
    watch->proxy = sdbus::createProxy(connection, kPortalName, kPortalPath);
    watch->proxy->uponSignal("SettingChanged")
        .onInterface(kSettings)
        .call([](const std::string& ns, const std::string& key, const sdbus::Variant& value) {
          if (ns == kNamespace && key == kKey) applyScheme(value);
        });
    watch->proxy->finishRegistration();
    PortalWatch* raw = watch.get();
    watch->proxy->callMethodAsync("ReadOne")
        .onInterface(kSettings)
        .withArguments(std::string(kNamespace), std::string(kKey))
        .uponReplyInvoke([raw](const sdbus::Error* error, sdbus::Variant value) {
          // Portals before version 2 have only Read.
          if (error && error->getName() == "org.freedesktop.DBus.Error.UnknownMethod") {
            raw->readOld();
          } else if (error) {
            logf("appearance: no desktop portal (%s); following the GTK theme", error->getName().c_str());
            applyDark(std::nullopt);
          } else {
            applyScheme(value);
          }
        });
    bus->adopt(watch);
  });
}

}  // namespace vl::dbus
