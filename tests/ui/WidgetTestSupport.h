#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/VLConfig.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ControlTestSupport.h"
#include "platform/ui/view/Appearance.h"
#include "support/TestSupport.h"
#include "theme/VLThemeManager.h"

namespace vl::test {

// A key window as ControlTest has it, settings in a private HOME, the shipped themes with "classic"
// current, and the system in light mode.
class WidgetTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    env_.set("HOME", home_.path());
    env_.set("XDG_CONFIG_HOME", home_ / "config");
    env_.set("VELLISTO_APPEARANCE", std::nullopt);
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    ui::SystemAppearance::shared().setDark(false);
    VLThemeManager::reloadThemeTableForTesting(VL_RESOURCES_DIR);
    manager().resetForTesting();
  }
  void TearDown() override {
    ui::SystemAppearance::shared().setDark(false);
    ControlTest::TearDown();
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }

  static VLThemeManager& manager() { return VLThemeManager::shared(); }
  static void setDark(bool dark) { ui::SystemAppearance::shared().setDark(dark); }
  static ui::Color colorOf(const std::string& key) { return manager().colorForKey(key).value(); }

  TempDir home_;
  ScopedEnv env_;
};

}  // namespace vl::test
