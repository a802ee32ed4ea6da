#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/foundation/Resources.h"
#include "theme/ThemeTestSupport.h"

namespace vl {
namespace {

// Every asset key some part of the interface asks a theme for. Kept by hand: a key added to a view
// belongs here too, so that each shipped theme is checked for it.
const std::vector<std::string> kInterfaceKeys = {"accentColor",
                                                 "alaisTextFieldSelectedBackgroundColor",
                                                 "blockColor",
                                                 "classicBackgroundColor",
                                                 "clear",
                                                 "disableBackgroundColor",
                                                 "disableFontColor",
                                                 "disableTextColor",
                                                 "vellistoBackgroundColorSystem10",
                                                 "vellistoBackgroundColorSystem11",
                                                 "vellistoRedGradinet",
                                                 "fontColorLevel0",
                                                 "fontHeadColor",
                                                 "fontMatchedColor",
                                                 "fontNormalColor",
                                                 "fontSubtitleColor",
                                                 "hotkeyTextFieldBackgroundColor",
                                                 "hotkeyTextFieldBorderColor",
                                                 "hotkeyTextFieldInactiveColor",
                                                 "iconGray",
                                                 "infobarBackgroundColor",
                                                 "lineColor",
                                                 "mainPanelBorderColor",
                                                 "matchedFontColor",
                                                 "modalAlertBackgroundColor",
                                                 "modalNavBarBackgroundColor",
                                                 "modalNavBarCancelButtonFontColor",
                                                 "modalNavigationBarColor",
                                                 "modalTableItemBackgroundColor",
                                                 "modalTableItemSelectedBackgroundColor",
                                                 "modalViewBackgroundColor",
                                                 "pinTabBarBackgroundColor",
                                                 "pinTabBarItemActiveColor",
                                                 "pinTabBarItemBorderColor",
                                                 "popoverTextViewBackgroundColor",
                                                 "prefShortcutsBackgroundColor",
                                                 "premissionVellistoRedGradinetStart",
                                                 "recordAreaBackgroundColor",
                                                 "recordMatchedBorderColor",
                                                 "recordMatchedColor",
                                                 "recordWindowBackgroundColor",
                                                 "rgb37",
                                                 "searchInputBackgroundColor",
                                                 "searchInputFontColor",
                                                 "searchInputPlaceHolderColor",
                                                 "shortcutsEditBackgroundColor",
                                                 "syncBlue",
                                                 "syncBlueBorder",
                                                 "syncbarBackgroundColor",
                                                 "tabBarItemSelectedBackgroundColor",
                                                 "themeUnselectedBorderColor",
                                                 "thinkingBarBackgroundColor",
                                                 "thinkingBarItemBackgroundColor",
                                                 "thinkingBarOrange",
                                                 "toolbarBackgroundColor",
                                                 "viceButtonBackgroundColor",
                                                 "viceButtonBorderColor",
                                                 "viceButtonHighlightedBackgroundColor",
                                                 "white"};
// Drawn as gradients; every other key is a plain colour so any view can fill with it.
const std::set<std::string> kGradientKeys = {"vellistoRedGradinet"};

class ShippedThemesTest : public vl::test::ThemeFixture {
 protected:
  std::string folder() const override { return VL_RESOURCES_DIR; }
};

TEST_F(ShippedThemesTest, ClassicIsMainAndAnotherThemeIsNot) {
  vl::test::LogCapture log;
  VLThemeManager::reloadThemeTableForTesting(VL_RESOURCES_DIR);
  // The shipped files load without a single complaint.
  EXPECT_EQ(vl::test::LogCapture::take(), std::vector<std::string>{});
  auto table = VLThemeManager::themeTable();
  ASSERT_TRUE(table->count("classic"));
  EXPECT_TRUE(table->at("classic")->main());
  int others = 0;
  for (const auto& [name, theme] : *table) others += theme->main() ? 0 : 1;
  EXPECT_GE(others, 1);
}

TEST_F(ShippedThemesTest, EveryInterfaceKeyHasAValueInEveryThemeAndMode) {
  auto table = VLThemeManager::themeTable();
  ASSERT_GE(table->size(), 2u);
  for (const auto& [name, theme] : *table) {
    manager().setCurrentTheme(theme);
    for (std::int64_t mode : {0, 1}) {
      manager().setAppearanceMode(mode);
      for (const std::string& key : kInterfaceKeys) {
        SCOPED_TRACE(name + " mode " + std::to_string(mode) + " " + key);
        if (kGradientKeys.count(key)) {
          auto gradient = manager().gradientForKey(key);
          ASSERT_TRUE(gradient);
          EXPECT_EQ(gradient->stops().size(), 2u);
          EXPECT_EQ(manager().getAppearanceTypeForKey(key), VLThemeManager::GradientType);
        } else {
          EXPECT_TRUE(manager().colorForKey(key));
          EXPECT_EQ(manager().getAppearanceTypeForKey(key), VLThemeManager::ColorType);
          // The same through the qualified form the theme chooser uses.
          EXPECT_EQ(manager().colorForKey(name + ":" + key), manager().colorForKey(key));
        }
      }
    }
  }
}

TEST_F(ShippedThemesTest, TextStandsOutFromItsBackgroundInBothModes) {
  // A rough guard against a palette slip: text and the surface it sits on differ in lightness.
  auto lightness = [](const ui::Color& c) { return 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue; };
  for (const auto& [name, theme] : *VLThemeManager::themeTable()) {
    manager().setCurrentTheme(theme);
    for (std::int64_t mode : {0, 1}) {
      manager().setAppearanceMode(mode);
      for (const char* background :
           {"classicBackgroundColor", "recordAreaBackgroundColor", "modalViewBackgroundColor"}) {
        SCOPED_TRACE(name + " mode " + std::to_string(mode) + " " + background);
        auto text = manager().colorForKey("fontNormalColor");
        auto back = manager().colorForKey(background);
        ASSERT_TRUE(text && back);
        EXPECT_GT(std::abs(lightness(*text) - lightness(*back)), 0.5);
      }
    }
  }
}

}  // namespace
}  // namespace vl
