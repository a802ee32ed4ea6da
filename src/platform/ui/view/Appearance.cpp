#include "platform/ui/view/Appearance.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/foundation/Environment.h"

namespace vl::ui {

SystemAppearance& SystemAppearance::shared() {
  static SystemAppearance appearance;
  return appearance;
}

SystemAppearance::SystemAppearance() : dark_(darkFromEnvironment()) {}

bool SystemAppearance::darkFromEnvironment() {
  auto lower = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
  };
  if (const std::string forced = environmentValue("VELLISTO_APPEARANCE"); !forced.empty()) {
    std::string mode = lower(forced);
    if (mode == "dark") return true;
    if (mode == "light") return false;
  }
  if (const std::string gtk = environmentValue("GTK_THEME"); !gtk.empty()) {
    return lower(gtk).find(":dark") != std::string::npos;
  }
  return false;
}

void SystemAppearance::setDark(bool dark) {
  if (dark_.exchange(dark) == dark) return;
  center_.post(kThemeChangedNotification);
}

void SystemAppearance::announceAutomaticSwitching() { center_.post(kSwitchesAutomaticallyNotification); }

void SystemAppearance::resetForTesting() { dark_ = darkFromEnvironment(); }

}  // namespace vl::ui
