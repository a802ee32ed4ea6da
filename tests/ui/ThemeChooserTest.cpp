#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "core/VLConfig.h"
#include "theme/VLThemeCategories.h"
#include "ui/themechooser/ThemeViewController.h"

namespace vl {
namespace {

class ThemeChooserTest : public test::SheetTest {
 protected:
  void open(const std::string& setting) {
    VLConfig::shared().setStringValueOfKey(VLConfig::kThemeName, setting);
    pane_ = std::make_shared<ThemeViewController>();
    pref_ = ui::Window::create({100, 100, 650, 200}, ui::WindowStyle::Titled);
    pref_->contentView()->addSubview(pane_->view());
    pref_->makeKeyAndOrderFront();
  }
  WindowThumbnail& thumbnail(const std::string& name) {
    for (const auto& t : pane_->thumbnailList()) {
      if (t->getThemeName() == name) return *t;
    }
    ADD_FAILURE() << "no thumbnail for " << name;
    return *pane_->thumbnailList().front();
  }
  void clickOn(WindowThumbnail& t) { events_.click(pref_, t.convertPointToView({110, 50}, nullptr)); }
  // The colour a view's own background fills with, as drawn now.
  static std::optional<ui::Color> fillOf(ui::View& view) {
    for (const auto& c : view.recordDisplayList().ofKind(ui::DrawCommand::Kind::FillRect)) {
      if (c.view == &view) return c.color;
    }
    return std::nullopt;
  }
  static ui::Color colorOf(const std::string& key) { return manager().colorForKey(key).value(); }

  std::shared_ptr<ThemeViewController> pane_;
  std::shared_ptr<ui::Window> pref_;
};

TEST_F(ThemeChooserTest, ThumbnailsArePlacedByKindAndTheStoredNameIsMarkedExactly) {
  struct Case {
    const char* setting;
    bool classicMarked;
  };
  for (const Case& c : {Case{"classic", true}, Case{"Classic", false}}) {
    open(c.setting);
    ASSERT_EQ(pane_->thumbnailList().size(), 2u);
    EXPECT_EQ(thumbnail("classic").frame(), (ui::Rect{80, 40, 220, 130}));
    EXPECT_EQ(thumbnail("forest").frame(), (ui::Rect{350, 40, 220, 130}));
    EXPECT_EQ(thumbnail("classic").selected(), c.classicMarked) << c.setting;
    EXPECT_FALSE(thumbnail("forest").selected());
    EXPECT_EQ(thumbnail("classic").layer()->borderColor(),
              colorOf(c.classicMarked ? "accentColor" : "themeUnselectedBorderColor"));
  }
  // Each thumbnail's matched word stands apart from the accent fill of its chosen row.
  for (const char* name : {"classic", "forest"}) {
    WindowThumbnail& t = thumbnail(name);
    EXPECT_NE(t.row1Matched()->textColor(), t.selectedRow()->layer()->backgroundColor()) << name;
  }
}

TEST_F(ThemeChooserTest, AClickMovesTheMarkStoresTheNameAndRecolours) {
  open("classic");
  setBackgroundColorAssetKey(*pref_, std::string("recordAreaBackgroundColor"));
  int changes = 0;
  Observation watch = NotificationCenter::defaultCenter().observe(
      VLThemeManager::kThemeChangedNotification, nullptr, [&](const Notification&) { ++changes; });
  const ui::Color classicTable = colorOf("classic:recordAreaBackgroundColor");

  clickOn(thumbnail("forest"));
  EXPECT_TRUE(thumbnail("forest").selected());
  EXPECT_FALSE(thumbnail("classic").selected());
  EXPECT_EQ(VLConfig::shared().getStringValueOfKey(VLConfig::kThemeName), "forest");
  EXPECT_EQ(manager().activeTheme(), "forest");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(pref_->backgroundColor(), colorOf("forest:recordAreaBackgroundColor"));
  EXPECT_EQ(thumbnail("forest").layer()->borderColor(), colorOf("forest:accentColor"));
  // Each miniature keeps its own theme's colours; the caption and outer border follow the active one.
  EXPECT_EQ(fillOf(*thumbnail("classic").hintTable()), classicTable);
  EXPECT_NE(classicTable, colorOf("forest:recordAreaBackgroundColor"));

  clickOn(thumbnail("forest"));
  EXPECT_EQ(changes, 1);
}

TEST_F(ThemeChooserTest, AThemeGoneBeforeItsClickIsIgnored) {
  open("classic");
  test::TempDir onlyClassic;
  std::filesystem::copy_file(std::string(VL_RESOURCES_DIR) + "/theme-classic.yml",
                             onlyClassic / "theme-classic.yml");
  VLThemeManager::reloadThemeTableForTesting(onlyClassic.path());
  clickOn(thumbnail("forest"));
  EXPECT_TRUE(test::logContains("no longer loaded"));
  EXPECT_TRUE(thumbnail("classic").selected());
  EXPECT_EQ(manager().activeTheme(), "classic");
  EXPECT_EQ(VLConfig::shared().getStringValueOfKey(VLConfig::kThemeName), "classic");
}

TEST_F(ThemeChooserTest, Gallery) {
  open("classic");
  setBackgroundColorAssetKey(*pref_, std::string("recordAreaBackgroundColor"));
  writeGallery(*pref_, "theme-chooser");
}

}  // namespace
}  // namespace vl
