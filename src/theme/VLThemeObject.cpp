#include "theme/VLThemeObject.h"

#include "platform/foundation/Log.h"
#include "platform/ui/view/Appearance.h"

namespace vl {

VLThemeManager& VLThemeObject::themeManager() {
  VLThemeManager& manager = VLThemeManager::shared();
  if (subscribed_) return manager;
  subscribed_ = true;
  NotificationCenter& system = ui::SystemAppearance::shared().center();
  appearance_ = system.observe(ui::SystemAppearance::kThemeChangedNotification, nullptr,
                               [this](const Notification& n) { appleInterfaceThemeChanged(n); });
  automatic_ = system.observe(ui::SystemAppearance::kSwitchesAutomaticallyNotification, nullptr,
                              [this](const Notification& n) { automatically(n); });
  theme_ =
      NotificationCenter::defaultCenter().observe(VLThemeManager::kThemeChangedNotification, nullptr,
                                                  [this](const Notification& n) { customThemeChanged(n); });
  return manager;
}

void VLThemeObject::appleInterfaceThemeChanged(const Notification&) {
  VLThemeManager::shared().setAppearanceMode(VLThemeManager::getAppearance());
  lightOrDarkChanged();
}

void VLThemeObject::automatically(const Notification& notification) {
  logDebug("automatically appearance");
  appleInterfaceThemeChanged(notification);
}

void VLThemeObject::customThemeChanged(const Notification&) { lightOrDarkChanged(); }

}  // namespace vl
