#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "PreferencesTestSupport.h"
#include "Windows/Preferences/AdvancedViewController.h"
#include "Windows/Preferences/GeneralViewController.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/view/Event.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

namespace KeyCode = ui::KeyCode;

class PreferencesPanesTest : public test::PreferencesFixture {
 protected:
  void SetUp() override {
    PreferencesFixture::SetUp();
    show();
  }
  GeneralViewController& general() { return pane<GeneralViewController>(0); }
  MergingCopyConfig& merging() { return *pane<AdvancedViewController>(5).mergingCopyConfig(); }
  static void choose(ui::PopUpButton& popUp, long index) {
    popUp.selectItemAtIndex(index);
    popUp.sendAction();
  }
  // Clears the field as the user would and types the text into it.
  void typeInto(ui::TextField& field, const std::string& text) {
    window_->makeFirstResponder(&field);
    events_.typeKey(KeyCode::A, ui::ModifierFlags::Command);
    events_.typeKey(KeyCode::Delete);
    events_.typeText(text);
  }
};

TEST_F(PreferencesPanesTest, EveryGeneralControlWritesItsKeysToTheFileAtOnce) {
  struct Case {
    const char* what;
    std::function<void(GeneralViewController&)> act;
    long key;
    Json expected;
  };
  Json forever = *VLConfig::shared().getValueOfKey(VLConfig::kImageStorage);
  Json engine = *VLConfig::shared().getValueOfKey(VLConfig::kWebSearch);
  forever["storageTime"] = "ever";
  Json noCopy = forever;
  noCopy["isCopy"] = 0;
  engine["engine"] = "Bing";
  const Case cases[] = {
      {"launch at login", [](auto& g) { g.launchAtLogin()->checkButton()->performClick(); }, 0, true},
      {"direct paste off", [](auto& g) { g.directPasteSetting()->checkButton()->performClick(); }, 119,
       false},
      {"and the popover on", [](auto&) {}, 120, true},
      {"kept for ever", [](auto& g) { choose(*g.imageStore()->timePopUpButton(), 4); }, 105, forever},
      {"image copy off", [](auto& g) { g.imageStore()->checkButton()->performClick(); }, 105, noCopy},
      {"engine only", [](auto& g) { choose(*g.searchWay()->enginePopUpButton(), 2); }, 104, engine},
      {"copy animation", [](auto& g) { g.animate()->checkButton()->performClick(); }, 113, false},
      {"copy sound", [](auto& g) { g.sound()->checkButton()->performClick(); }, 114, true},
  };
  for (const Case& c : cases) {
    c.act(general());
    EXPECT_EQ(onDisk(c.key), c.expected) << c.what;
  }
  EXPECT_FALSE(general().imageStore()->timePopUpButton()->isEnabled());
}

// Eight rows; none of their boxes is bound to the keyboard strip's flag, which stays as stored.
TEST_F(PreferencesPanesTest, NoBoxOfTheGeneralPaneWritesTheStripFlag) {
  writeElsewhere(VLConfig::kTouchBarCustomization, true);
  EXPECT_EQ(general().view()->subviews().size(), 8u);
  std::function<void(ui::View&)> clickBoxes = [&](ui::View& view) {
    if (auto* box = dynamic_cast<ui::Button*>(&view); box && box->buttonType() == ui::ButtonType::Switch)
      box->performClick();
    for (const auto& sub : view.subviews()) clickBoxes(*sub);
  };
  clickBoxes(*general().view());
  EXPECT_EQ(onDisk(VLConfig::kTouchBarCustomization), Json(true));
  EXPECT_TRUE(VLConfig::shared().getBoolValueOfKey(VLConfig::kTouchBarCustomization));
}

// The browser menu names each entry as its desktop entry does and stores the entry id it stands for.
TEST_F(PreferencesPanesTest, TheBrowserMenuShowsTitlesAndStoresEntryIds) {
  test::ScopedEnv env;
  const std::string data = files::homeDirectory() + "/data";
  env.set("XDG_DATA_HOME", data);
  std::filesystem::create_directories(data + "/applications");
  for (const auto& [id, name] : {std::pair{"surfer", "Surfer"}, std::pair{"surfer-beta", "Surfer"}})
    ASSERT_TRUE(
        files::atomicWrite(data + "/applications/" + id + ".desktop",
                           std::string("[Desktop Entry]\nType=Application\nExec=surfer %u\nName=") + name));
  VLConfig::shared().setValueOfKey(VLConfig::kWebSearch,
                                   Json{{"browserList", {"Default browser", "surfer", "surfer-beta", "gone"}},
                                        {"engineList", {"Google"}},
                                        {"browser", "surfer-beta"},
                                        {"engine", "Google"}});
  auto& row = *general().searchWay();
  row.reload();
  EXPECT_EQ(row.browserPopUpButton()->itemTitles(),
            (std::vector<std::string>{localized("pref.general.defaultBrowser"), "Surfer",
                                      "Surfer (surfer-beta)", "gone"}));
  EXPECT_EQ(row.browserPopUpButton()->indexOfSelectedItem(), 2);
  for (const auto& [index, stored] : {std::pair{1L, "surfer"}, std::pair{0L, "Default browser"}}) {
    choose(*row.browserPopUpButton(), index);
    EXPECT_EQ((*onDisk(VLConfig::kWebSearch))["browser"], stored);
  }
}

TEST_F(PreferencesPanesTest, OddStoredListsShowWhatTheyCanAndStoreNothingEmpty) {
  struct Case {
    Json webSearch;
    std::vector<std::string> browsers;
    const char* selected;
  };
  const Case cases[] = {
      {"not a dictionary", {}, ""},
      {{{"browserList", Json::array()}, {"engineList", {"Bing"}}, {"engine", "Bing"}}, {}, ""},
      {{{"browserList", {"Brave", 7, "Chrome"}}, {"engineList", {"Bing"}}, {"browser", "Chrome"}},
       {"Brave", "Chrome"},
       "Chrome"},
  };
  for (const Case& c : cases) {
    auto& row = *general().searchWay();
    row.browserPopUpButton()->removeAllItems();
    VLConfig::shared().setValueOfKey(VLConfig::kWebSearch, c.webSearch);
    row.reload();
    EXPECT_EQ(row.browserPopUpButton()->itemTitles(), c.browsers) << c.webSearch;
    EXPECT_EQ(row.browserPopUpButton()->titleOfSelectedItem(), c.selected) << c.webSearch;
    row.popUpSelected();
    if (c.browsers.empty()) {
      EXPECT_EQ(onDisk(VLConfig::kWebSearch), c.webSearch) << "an empty choice is not stored";
    }
  }
  // A storage time code the pane does not know reads as one week and is selected by its code.
  VLConfig::shared().setValueOfKey(VLConfig::kImageStorage,
                                   Json{{"isCopy", 1}, {"timeList", {"2w", "9y"}}, {"storageTime", "9y"}});
  general().imageStore()->reload();
  EXPECT_EQ(general().imageStore()->timePopUpButton()->indexOfSelectedItem(), 1);
  EXPECT_TRUE(general().imageStore()->timePopUpButton()->isEnabled());
}

TEST_F(PreferencesPanesTest, ALoginItemThatCannotChangeKeepsBoxAndFlag) {
  loginFails_ = true;
  general().launchAtLogin()->checkButton()->performClick();
  EXPECT_EQ(general().launchAtLogin()->checkButton()->state(), 0);
  EXPECT_EQ(onDisk(VLConfig::kLaunchAtLogin), false);
}

TEST_F(PreferencesPanesTest, ARecordedHotKeyIsStoredAndRegisteredAtOnce) {
  const HokeyStruct chord{0x100000 | 0x20000, 9, 1, false};
  general().hotkey()->didEndKeyDown(chord);
  EXPECT_EQ(VLConfig::shared().getHotkeyValueOfKey(VLConfig::kMainHotKey), chord);
  EXPECT_EQ(registered_, (std::vector<HokeyStruct>{chord}));
  EXPECT_EQ(general().hotkey()->notificationObject(), &general());
}

// 0, and an empty field that means it, keeps whole texts; a number too large is kept as the largest.
TEST_F(PreferencesPanesTest, TheLongestTextTakesWholeNumbersClampsLargeOnesAndRefusesTheRest) {
  struct Case {
    const char* typed;
    const char* shown;
    long long stored;
    std::size_t beeps;
  };
  const Case cases[] = {
      {"42", "42", 42, 0},
      {"4a2", "42", 42, 1},
      {"-7", "7", 7, 1},
      {"2147483647", "2147483647", 2147483647, 0},
      {"21474836479", "2147483647", 2147483647, 0},
      {"99999999999999999999999", "2147483647", 2147483647, 0},
      {"0", "0", 0, 0},
      {"", "", 0, 0},
  };
  auto& row = *general().maxCharacters();
  for (const Case& c : cases) {
    VLConfig::shared().setIntegerValueOfKey(VLConfig::kMaxTextLength, 5000);
    ui::resetBeepCount();
    typeInto(*row.customTextField(), c.typed);
    EXPECT_EQ(row.customTextField()->stringValue(), c.shown) << c.typed;
    EXPECT_EQ(onDisk(VLConfig::kMaxTextLength), Json(c.stored)) << c.typed;
    EXPECT_EQ(ui::beepCount(), c.beeps) << c.typed;
  }
  window_->makeFirstResponder(nullptr);
  EXPECT_EQ(row.customTextField()->stringValue(), "");
  EXPECT_EQ(OnlyIntegerValueFormatter::parse(" 42 "), 42);
  bool clamped = false;
  EXPECT_EQ(OnlyIntegerValueFormatter::parse("2147483648", &clamped), 2147483647);
  EXPECT_TRUE(clamped);
}

TEST_F(PreferencesPanesTest, MergingCopyEnablesOnlyTheChosenConnector) {
  struct Case {
    bool merging, system;
    bool systemEnabled, customEnabled, radiosEnabled;
  };
  for (const Case& c : {Case{false, true, false, false, false}, Case{true, true, true, false, true},
                        Case{true, false, false, true, true}}) {
    VLConfig::shared().setBoolValueOfKey(VLConfig::kMergingCopy, c.merging);
    VLConfig::shared().setBoolValueOfKey(VLConfig::kMergeWithFirstConnector, c.system);
    MergingCopyConfig& m = merging();
    m.reload();
    EXPECT_EQ(m.systemPopUpButton()->isEnabled(), c.systemEnabled);
    EXPECT_EQ(m.systemSeparatorFixedTitle()->isEnabled(), c.systemEnabled);
    EXPECT_EQ(m.customTextField()->isEnabled(), c.customEnabled);
    EXPECT_EQ(m.customSeparatorFixedTitle()->isEnabled(), c.customEnabled);
    EXPECT_EQ(m.radioSystemButton()->isEnabled(), c.radiosEnabled);
    // The radios show the stored choice even while merging is off.
    EXPECT_EQ(m.radioSystemButton()->state(), c.system ? 1 : 0);
    EXPECT_EQ(m.radioCustomButton()->state(), c.system ? 0 : 1);
  }
}

TEST_F(PreferencesPanesTest, EveryMergingControlWritesItsKey) {
  MergingCopyConfig& m = merging();
  m.checkButton()->performClick();
  EXPECT_EQ(onDisk(VLConfig::kMergingCopy), true);
  m.radioCustomButton()->performClick();
  EXPECT_EQ(onDisk(VLConfig::kMergeWithFirstConnector), false);
  typeInto(*m.customTextField(), "ab");
  EXPECT_EQ(onDisk(VLConfig::kSecondConnector), "ab");
  typeInto(*m.customTextField(), "");
  EXPECT_EQ(onDisk(VLConfig::kSecondConnector), "");  // an empty connector is a connector
  m.radioSystemButton()->performClick();
  EXPECT_EQ(onDisk(VLConfig::kMergeWithFirstConnector), true);
  EXPECT_EQ(m.radioCustomButton()->state(), 0);
  for (long item : {1, 2, 0}) {
    choose(*m.systemPopUpButton(), item);
    EXPECT_EQ(onDisk(VLConfig::kFirstConnector), MergingCopyConfig::kSeparators[item].value);
  }
  // A separator no item stands for selects none and stays stored.
  VLConfig::shared().setStringValueOfKey(VLConfig::kFirstConnector, std::string("|"));
  m.reload();
  EXPECT_EQ(m.systemPopUpButton()->selectedItem(), nullptr);
  EXPECT_EQ(onDisk(VLConfig::kFirstConnector), "|");
}

}  // namespace
}  // namespace vl
