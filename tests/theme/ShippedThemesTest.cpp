#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/foundation/Resources.h"
#include "platform/ui/view/SystemColors.h"
#include "theme/ThemeTestSupport.h"

namespace vl {
namespace {

// Every asset key some part of the interface asks a theme for. Kept by hand: a key added to a view
// belongs here too, so that each shipped theme is checked for it.
const std::vector<std::string> kInterfaceKeys = {"accentColor",
                                                 "accentTextColor",
                                                 "black",
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
  // Each text colour and the surfaces the interface puts it on, at the 4.5:1 readable text needs.
  const std::vector<std::string> surfaces = {
      "classicBackgroundColor",          "recordAreaBackgroundColor", "modalViewBackgroundColor",
      "vellistoBackgroundColorSystem11", "modalAlertBackgroundColor", "infobarBackgroundColor",
      "toolbarBackgroundColor",          "modalNavigationBarColor",   "modalTableItemBackgroundColor"};
  struct Pair {
    std::string text;
    std::vector<std::string> backgrounds;
  };
  std::vector<std::string> accentSurfaces = surfaces;
  accentSurfaces.push_back("tabBarItemSelectedBackgroundColor");
  const std::vector<Pair> pairs = {
      {"fontNormalColor", surfaces},
      {"fontHeadColor", surfaces},
      {"fontSubtitleColor", surfaces},
      {"disableFontColor", surfaces},
      {"disableTextColor", {"disableBackgroundColor"}},
      {"accentTextColor", accentSurfaces},
      {"matchedFontColor", {"recordAreaBackgroundColor"}},
      {"white", {"accentColor", "thinkingBarOrange"}},
      {"inputErrorColor", {"modalViewBackgroundColor", "modalTableItemBackgroundColor"}},
      {"inputWarningColor", {"modalViewBackgroundColor", "modalTableItemBackgroundColor"}},
      {"fontMatchedColor", {"recordMatchedColor"}},
      {"searchInputFontColor", {"searchInputBackgroundColor"}},
      {"searchInputPlaceHolderColor", {"searchInputBackgroundColor", "classicBackgroundColor"}},
      {"hotkeyTextFieldInactiveColor", {"hotkeyTextFieldBackgroundColor"}},
  };
  for (const auto& [name, theme] : *VLThemeManager::themeTable()) {
    manager().setCurrentTheme(theme);
    for (std::int64_t mode : {0, 1}) {
      manager().setAppearanceMode(mode);
      for (const Pair& pair : pairs) {
        for (const std::string& background : pair.backgrounds) {
          SCOPED_TRACE(name + " mode " + std::to_string(mode) + " " + pair.text + " on " + background);
          auto text = manager().colorForKey(pair.text);
          auto back = manager().colorForKey(background);
          ASSERT_TRUE(text && back);
          EXPECT_GE(ui::SystemColors::contrastRatio(*text, *back), 4.5);
        }
      }
    }
  }
}

}  // namespace
}  // namespace vl
