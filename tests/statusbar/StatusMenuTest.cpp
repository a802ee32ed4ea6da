#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/desktop/IconImage.h"
#include "platform/system/headless/HeadlessHotKeyCenter.h"
#include "platform/system/headless/HeadlessSoundPlayer.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/view/Appearance.h"
#include "statusbar/StatusIcons.h"
#include "statusbar/VLStatusBar.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

class StatusMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.emplace("vl-statusmenu");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    dispatch::MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>();
    Clock::install(clock_);
    HotKeyCenter::install(std::make_shared<HeadlessHotKeyCenter>());
    GlobalEventMonitor::install(std::make_shared<HeadlessGlobalEventMonitor>());
    sound_ = std::make_shared<HeadlessSoundPlayer>();
    SoundPlayer::install(sound_);
    ui::SystemAppearance::shared().setDark(false);
    VLStatusBar::setWindowActions(
        {[this] { actions_.push_back("toggle"); }, [this] { actions_.push_back("record"); }, nullptr});
    VLStatusBar::setMenuActions({[this] { actions_.push_back("center"); },
                                 [this](const std::string& key) { actions_.push_back(key); }});
    VLStatusBar::setQuitAction([this] { actions_.push_back("quit"); });
    bar_ = VLStatusBar::create();
    item_ = bar_->produceStatusItem();
  }
  void TearDown() override {
    item_.reset();
    bar_.reset();
    dispatch::MainLoop::runUntilIdle();
    VLStatusBar::setWindowActions({});
    VLStatusBar::setQuitAction(nullptr);
    VLStatusBar::setMenuActions({});
    ui::SystemAppearance::shared().setDark(false);
    SoundPlayer::install(nullptr);
    HotKeyCenter::install(nullptr);
    GlobalEventMonitor::install(nullptr);
    Clock::install(nullptr);
    VLConfig::resetForTesting();
    UserDefaults::resetForTesting();
    home_.reset();
  }
  ui::Menu& menu() { return *bar_->statusMenu(); }
  ui::Menu& colors() { return *menu().itemWithTag(VLStatusBar::kColorTag)->submenu(); }
  std::vector<std::string> titles() {
    std::vector<std::string> out;
    for (const auto& row : menu().items()) out.push_back(row->isSeparatorItem() ? "-" : row->title());
    return out;
  }
  void copies(int count = 1) {
    for (int i = 0; i < count; ++i) bar_->payAnimate();
  }

  std::shared_ptr<ManualClock> clock_;
  std::shared_ptr<HeadlessSoundPlayer> sound_;
  std::shared_ptr<VLStatusBar> bar_;
  std::shared_ptr<ui::StatusItem> item_;
  std::vector<std::string> actions_;

 private:
  std::optional<vl::test::PrivateHome> home_;
};

TEST_F(StatusMenuTest, RowsShowTheirHotKeysAndEachRowActs) {
  const std::string five = "     ";
  EXPECT_EQ(titles(),
            (std::vector<std::string>{localized("statuesbar.toggle") + five + "Ctrl+Alt+V",
                                      localized("statusbar.record") + five + "Ctrl+Alt+R", "-",
                                      localized("statuesbar.color"), localized("statuesbar.center"), "-",
                                      localized("statuesbar.settings"), "-", localized("statusbar.about"),
                                      localized("statusbar.help"), "-", localized("statuesbar.quit")}));
  for (long i = 0; i < menu().numberOfItems(); ++i) menu().performActionForItemAtIndex(i);
  EXPECT_EQ(actions_, (std::vector<std::string>{"toggle", "record", "center", "vellisto_pref",
                                                "vellisto_about", "vellisto_help", "quit"}));
  actions_.clear();
  EXPECT_TRUE(menu().performKeyEquivalent(
      ui::Event::keyEvent(ui::EventType::KeyDown, 43, ui::ModifierFlags::Command, ",", ",")));
  EXPECT_EQ(actions_, std::vector<std::string>{"vellisto_pref"});

  // A new main hot key retitles the toggle row; a double tap shows the modifier; a refused key none.
  const auto store = [this](HokeyStruct v) {
    VLConfig::shared().setValueOfKey(VLConfig::kMainHotKey, VLConfig::hotkeyDictionary(v));
    (void)bar_->registerStoredHotKey(VLConfig::kMainHotKey);
    return menu().itemWithTag(VLStatusBar::kToggleTag)->title();
  };
  EXPECT_EQ(store({0x120000, 8, 1, false}), localized("statuesbar.toggle") + five + "Ctrl+Shift+C");
  EXPECT_EQ(store({0x100000, 55, 1, true}), localized("statuesbar.toggle") + five + "Ctrl double tap");
  EXPECT_EQ(store({0, 8, 1, false}), localized("statuesbar.toggle"));
}

TEST_F(StatusMenuTest, IconColourFollowsTheChoiceAndThePanelsBrightness) {
  struct Case {
    const char* choose;  // the colour row clicked, or nullptr
    bool dark;
    const char* icon;
    const char* swatch;
    const char* secondRow;
  };
  const Case cases[] = {
      {nullptr, false, "StatusIconRed", "color-state-red", "statuesbar.color.black"},
      {nullptr, true, "StatusIconRed", "color-state-red", "statuesbar.color.white"},
      {"black", true, "StatusIconWhite", "color-state-white", "statuesbar.color.white"},
      {nullptr, false, "StatusIconBlack", "color-state-black", "statuesbar.color.black"},
      {"red", false, "StatusIconRed", "color-state-red", "statuesbar.color.black"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.choose ? c.choose : "-") + (c.dark ? " dark" : " light"));
    ui::SystemAppearance::shared().setDark(c.dark);
    if (c.choose) colors().performActionForItemAtIndex(std::string(c.choose) == "red" ? 0 : 1);
    EXPECT_EQ(item_->displayedImageName(), c.icon);
    const auto& colourRow = menu().itemWithTag(VLStatusBar::kColorTag);
    EXPECT_EQ(colourRow->onStateImage()->name(), c.swatch);
    EXPECT_EQ(colors().itemAtIndex(1)->title(), localized(c.secondRow));
    const bool red = std::string(c.icon) == "StatusIconRed";
    // Trays that recolour icons get the one-colour clipboard by name; the red one keeps its colour.
    EXPECT_EQ(item_->symbolicIcon().has_value(), !red);
    EXPECT_EQ(colors().itemAtIndex(0)->state(), red ? 1 : 0);
    EXPECT_EQ(colors().itemAtIndex(1)->state(), red ? 0 : 1);
  }
  // The checked row stores nothing.
  VLConfig::shared().setValueOfKey(VLConfig::kStatusIconColor, nullptr);
  colors().performActionForItemAtIndex(0);
  EXPECT_FALSE(VLConfig::shared().getValueOfKey(VLConfig::kStatusIconColor).has_value());

  // Every picture is drawn, in its colour, opaque somewhere and clear in the corners.
  for (const char* name :
       {"StatusIconRed", "StatusIconBlackAnimate3", "StatusIconWhiteAnimate0", "color-state-red"}) {
    SCOPED_TRACE(name);
    const ui::ImageRef image = statusIconNamed(name);
    ASSERT_TRUE(image && image->hasPixels());
    const auto& px = image->pixels();
    EXPECT_EQ(px[3], 0);
    bool opaque = false;
    for (std::size_t i = 3; i < px.size(); i += 4) opaque = opaque || px[i] == 255;
    EXPECT_TRUE(opaque);
  }
  // The symbolic forms, drawn by an SVG renderer, cover what the pictures cover.
  EXPECT_FALSE(statusSymbolicIcon("StatusIconRed"));
  EXPECT_FALSE(statusSymbolicIcon("StatusIconRedAnimate1"));
  EXPECT_FALSE(statusSymbolicIcon("StatusIconBlackAnimate4"));
  for (const auto& [name, id] : {std::pair{"StatusIconBlack", "vellisto-tray-symbolic"},
                                 std::pair{"StatusIconWhiteAnimate1", "vellisto-tray-pulse2-symbolic"},
                                 std::pair{"StatusIconBlackAnimate3", "vellisto-tray-pulse4-symbolic"}}) {
    SCOPED_TRACE(name);
    const std::optional<ui::SymbolicIcon> icon = statusSymbolicIcon(name);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->name, id);
    const ui::ImageRef drawn = icons::renderSvg(icon->svg, 44, 2, id);
    const ui::ImageRef picture = statusIconNamed(name);
    ASSERT_TRUE(drawn && drawn->hasPixels() && drawn->pixels().size() == picture->pixels().size());
    int differ = 0;
    for (std::size_t i = 3; i < drawn->pixels().size(); i += 4)
      differ += std::abs(drawn->pixels()[i] - picture->pixels()[i]) > 96;
    EXPECT_LT(differ, 44 * 44 / 50) << "pixels whose coverage differs";
  }
  EXPECT_EQ(statusIconNamed("StatusIconRedAnimate4"), nullptr);
  EXPECT_EQ(statusIconNamed("StatusIconGreen"), nullptr);
}

TEST_F(StatusMenuTest, CopiesPulseOneAfterAnotherAndPlayTheSoundOnceEachAsItsPulseStarts) {
  VLConfig::shared().setValueOfKey(VLConfig::kAnimateStatusItem, true);
  VLConfig::shared().setValueOfKey(VLConfig::kPlaySound, true);
  item_->clearShownImageNames();
  copies();
  dispatch::MainLoop::advance(200);
  copies();
  dispatch::MainLoop::advance(100);
  copies();
  // The two waiting copies are heard when their pulses start, at 0.5 s and 1.0 s.
  EXPECT_EQ(sound_->played().size(), 1u);
  dispatch::MainLoop::advance(200);
  EXPECT_EQ(sound_->played().size(), 2u);
  dispatch::MainLoop::advance(500);
  EXPECT_EQ(sound_->played().size(), 3u);
  dispatch::MainLoop::advance(500);
  EXPECT_FALSE(bar_->isAnimate());
  const std::vector<std::string> pulse = {"StatusIconRedAnimate0", "StatusIconRedAnimate1",
                                          "StatusIconRedAnimate2", "StatusIconRedAnimate3", "StatusIconRed"};
  std::vector<std::string> three;
  for (int i = 0; i < 3; ++i) three.insert(three.end(), pulse.begin(), pulse.end());
  EXPECT_EQ(item_->shownImageNames(), three);
  EXPECT_EQ(sound_->played().size(), 3u);

  struct Case {
    bool animate, sound;
    std::size_t frames, sounds;
  };
  for (const Case c : {Case{false, true, 0, 1}, Case{false, false, 0, 0}, Case{true, false, 5, 0}}) {
    SCOPED_TRACE(std::to_string(c.animate) + std::to_string(c.sound));
    VLConfig::shared().setValueOfKey(VLConfig::kAnimateStatusItem, c.animate);
    VLConfig::shared().setValueOfKey(VLConfig::kPlaySound, c.sound);
    item_->clearShownImageNames();
    const std::size_t before = sound_->played().size();
    copies();
    dispatch::MainLoop::advance(600);
    EXPECT_EQ(item_->shownImageNames().size(), c.frames);
    EXPECT_EQ(sound_->played().size() - before, c.sounds);
  }
}

}  // namespace
}  // namespace vl
