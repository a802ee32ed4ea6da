#pragma once

#include <atomic>
#include <string>

#include "platform/foundation/NotificationCenter.h"

namespace vl::ui {

// The desktop's light or dark mode and the notifications that announce a change of it.
//
// The headless backend is a flag: tests and a desktop backend set it with setDark(). A change posts
// kThemeChangedNotification on center(), on the calling thread (a desktop backend calls from the main
// thread). The mode at start comes from VELLISTO_APPEARANCE ("dark" or "light"), else from a GTK_THEME
// that names a ":dark" variant, else light.
class SystemAppearance {
 public:
  static constexpr const char* kThemeChangedNotification = "AppleInterfaceThemeChangedNotification";
  static constexpr const char* kSwitchesAutomaticallyNotification =
      "AppleInterfaceStyleSwitchesAutomatically";

  static SystemAppearance& shared();

  SystemAppearance();
  SystemAppearance(const SystemAppearance&) = delete;
  SystemAppearance& operator=(const SystemAppearance&) = delete;

  bool isDark() const { return dark_.load(); }
  // Posts kThemeChangedNotification when the mode changes; setting the same mode posts nothing.
  void setDark(bool dark);
  // The desktop turned automatic light/dark switching on or off.
  void announceAutomaticSwitching();

  // Where the appearance notifications are posted; observers filter by name.
  NotificationCenter& center() { return center_; }

  // Re-reads the environment (tests that change VELLISTO_APPEARANCE); posts nothing.
  void resetForTesting();

 private:
  static bool darkFromEnvironment();

  std::atomic<bool> dark_;
  NotificationCenter center_;
};

}  // namespace vl::ui
