#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/VLConfig.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/TestSupport.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/Appearance.h"
#include "theme/VLThemeManager.h"

namespace vltest {

inline std::string themeDataDir() { return std::string(VL_TEST_DATA_DIR) + "/theme"; }

// Settings in a private HOME, the system in light mode, the theme table read from `folder()` and the
// shared manager recreated over it. Subclasses pick the folder.
class ThemeFixture : public ::testing::Test {
 protected:
  virtual std::string folder() const { return themeDataDir(); }

  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "VELLISTO_APPEARANCE"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("HOME", home_.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
    ::unsetenv("VELLISTO_APPEARANCE");
    vl::UserDefaults::resetForTesting();
    vl::VLConfig::resetForTesting();
    vl::ui::SystemAppearance::shared().setDark(false);
    vl::VLThemeManager::reloadThemeTableForTesting(folder());
    manager().resetForTesting();
  }

  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
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
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vltest
