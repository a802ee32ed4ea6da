#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/VLConfig.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/view/Appearance.h"
#include "support/TestSupport.h"
#include "theme/VLThemeManager.h"

namespace vl::test {

inline std::string themeDataDir() { return std::string(VL_TEST_DATA_DIR) + "/theme"; }

// Settings in a private HOME, the system in light mode, the theme table read from `folder()` and the
// shared manager recreated over it. Subclasses pick the folder.
class ThemeFixture : public ::testing::Test {
 protected:
  virtual std::string folder() const { return themeDataDir(); }

  void SetUp() override {
    env_.set("HOME", home_.path());
    env_.set("XDG_CONFIG_HOME", home_ / "config");
    env_.set("VELLISTO_APPEARANCE", std::nullopt);
    vl::UserDefaults::resetForTesting();
    vl::VLConfig::resetForTesting();
    vl::ui::SystemAppearance::shared().setDark(false);
    vl::VLThemeManager::reloadThemeTableForTesting(folder());
    manager().resetForTesting();
  }

  void TearDown() override {
    vl::ui::SystemAppearance::shared().setDark(false);
    vl::UserDefaults::resetForTesting();
    vl::VLConfig::resetForTesting();
  }

  static vl::VLThemeManager& manager() { return vl::VLThemeManager::shared(); }
  // Chooses a theme the way the settings pane does, then restarts the manager as at launch.
  static void launchWithThemeSetting(const std::string& name) {
    vl::VLConfig::shared().setStringValueOfKey(vl::VLConfig::kThemeName, name);
    manager().resetForTesting();
  }

  TempDir home_;
  ScopedEnv env_;
};

}  // namespace vl::test
