#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "core/VLConfig.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/ControlTestSupport.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/view/EventDriver.h"
#include "support/TestSupport.h"
#include "theme/VLThemeManager.h"

namespace vl::test {

// A key window of 400 x 300 under a manual clock, settings in a private HOME, the shipped themes with
// "classic" current, the system in light mode.
class ButtonWidgetTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    vl::UserDefaults::resetForTesting();
    vl::VLConfig::resetForTesting();
    setDark(false);
    vl::VLThemeManager::reloadThemeTableForTesting();
    manager().resetForTesting();
    manager().setActiveTheme("classic");
  }
  void TearDown() override {
    setDark(false);
    ControlTest::TearDown();
    vl::UserDefaults::resetForTesting();
    vl::VLConfig::resetForTesting();
  }

  static vl::VLThemeManager& manager() { return vl::VLThemeManager::shared(); }
  // The system switches mode; themed objects re-read it into the manager as they are told.
  static void setDark(bool dark) {
    ui::SystemAppearance::shared().setDark(dark);
    manager().setAppearanceMode(dark ? 1 : 0);
  }
  static ui::Color color(const std::string& key) { return manager().colorForKey(key).value(); }

  // A point of `view` in window coordinates, for the event driver.
  static ui::Point at(const ui::View& view, ui::Point local) {
    return view.convertPointToView(local, nullptr);
  }
  static ui::Point centre(const ui::View& view) {
    return at(view, {view.bounds().midX(), view.bounds().midY()});
  }

  PrivateHome home_;
  ui::EventDriver driver_;
};

}  // namespace vl::test
