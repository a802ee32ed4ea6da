#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/headless/HeadlessHotKeyCenter.h"
#include "platform/ui/window/Application.h"
#include "statusbar/VLStatusBar.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

namespace Flags = ui::ModifierFlags;
constexpr std::uint64_t kCtrlAlt = Flags::Command | Flags::Option;

// Without a desktop: the hot key centre and the other programs' events are played by hand, on a clock
// that moves only when told.
class StatusBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.emplace("vl-statusbar");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    dispatch::MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>();
    Clock::install(clock_);
    hotKeys_ = std::make_shared<HeadlessHotKeyCenter>();
    HotKeyCenter::install(hotKeys_);
    others_ = std::make_shared<HeadlessGlobalEventMonitor>();
    GlobalEventMonitor::install(others_);
    VLStatusBar::setWindowActions({[this] { ++mainToggles_; }, [this] { ++recordToggles_; },
                                   [this](ui::Point p) { clicks_.push_back(p); }});
    log_.emplace();
  }
  void TearDown() override {
    bar_.reset();
    dispatch::MainLoop::runUntilIdle();
    VLStatusBar::setWindowActions({});
    HotKeyCenter::install(nullptr);
    GlobalEventMonitor::install(nullptr);
    Clock::install(nullptr);
    log_.reset();
    VLConfig::resetForTesting();
    UserDefaults::resetForTesting();
    home_.reset();
  }
  void start() {
    bar_.reset();
    bar_ = VLStatusBar::create();
    bar_->setHotKeysChangedHandler([this] { ++retitles_; });
  }
  void storeMainHotKey(const Json& value) { VLConfig::shared().setValueOfKey(VLConfig::kMainHotKey, value); }
  void press(std::uint16_t code, std::uint64_t flags) {
    hotKeys_->simulatePress(code, flags);
    dispatch::MainLoop::runUntilIdle();
  }
  // Another program has the focus and sees this event.
  void other(const ui::Event& event) {
    others_->simulate(event);
    dispatch::MainLoop::runUntilIdle();
  }
  static ui::Event modifiers(std::uint16_t code, std::uint64_t flags) {
    return ui::Event::keyEvent(ui::EventType::FlagsChanged, code, flags, "", "");
  }

  std::shared_ptr<ManualClock> clock_;
  std::shared_ptr<HeadlessHotKeyCenter> hotKeys_;
  std::shared_ptr<HeadlessGlobalEventMonitor> others_;
  std::shared_ptr<VLStatusBar> bar_;
  int mainToggles_ = 0;
  int recordToggles_ = 0;
  int retitles_ = 0;
  std::vector<ui::Point> clicks_;
  std::optional<vl::test::LogCapture> log_;

 private:
  std::optional<vl::test::PrivateHome> home_;
};

TEST_F(StatusBarTest, StoredHotKeysToggleTheirWindowsAndReRegisteringTheSameChangesNothing) {
  start();
  EXPECT_TRUE(bar_->isRegistered(VLStatusBar::kMainHotKeyID));
  EXPECT_TRUE(log_->contains("hot key 1 is Ctrl+Alt+V"));
  EXPECT_TRUE(log_->contains("hot key 2 is Ctrl+Alt+R"));
  press(9, kCtrlAlt);
  press(15, kCtrlAlt);
  press(9, kCtrlAlt | Flags::CapsLock);
  EXPECT_EQ(mainToggles_, 2);
  EXPECT_EQ(recordToggles_, 1);

  // Every activation asks again for the unchanged key: nothing is redone or retitled.
  EXPECT_TRUE(bar_->registerStoredHotKey(VLConfig::kMainHotKey));
  EXPECT_EQ(retitles_, 0);
  storeMainHotKey(VLConfig::hotkeyDictionary({0x120000, 8, 1, false}));
  EXPECT_TRUE(bar_->registerStoredHotKey(VLConfig::kMainHotKey));
  EXPECT_EQ(retitles_, 1);
  press(9, kCtrlAlt);
  press(8, Flags::Command | Flags::Shift);
  EXPECT_EQ(mainToggles_, 3);
}

TEST_F(StatusBarTest, RefusedOrBadHotKeysLeaveTheOldOneWorkingAndShowAsUnset) {
  start();
  struct Case {
    const char* what;
    Json value;
    const char* logged;
  };
  hotKeys_->setHeldByOtherApplication(7, kCtrlAlt);
  const Case cases[] = {
      {"held by another program", VLConfig::hotkeyDictionary({0x180000, 7, 1, false}), "held elsewhere"},
      {"text fields", Json{{"modifier", "0x180000"}, {"code", 7}, {"hotKeyID", 1}}, "is not a hot key"},
      {"code out of range", VLConfig::hotkeyDictionary({0x180000, 300, 1, false}), "out of range"},
      {"device bits in the modifiers", VLConfig::hotkeyDictionary({0x180001, 7, 1, false}), "out of range"},
      {"no modifier", VLConfig::hotkeyDictionary({0, 7, 1, false}), "has no modifier"},
      {"double tap of a letter", VLConfig::hotkeyDictionary({0x100000, 7, 1, true}), "no double tap"},
      {"unset", VLConfig::hotkeyDictionary(HokeyStruct::empty()), "is unset"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    storeMainHotKey(VLConfig::hotkeyDictionary({0x180000, 9, 1, false}));
    ASSERT_TRUE(bar_->registerStoredHotKey(VLConfig::kMainHotKey));
    storeMainHotKey(c.value);
    const int retitles = retitles_;
    EXPECT_FALSE(bar_->registerStoredHotKey(VLConfig::kMainHotKey));
    EXPECT_TRUE(log_->contains(c.logged));
    EXPECT_FALSE(bar_->isRegistered(VLStatusBar::kMainHotKeyID));
    EXPECT_EQ(retitles_, retitles + 1);
    EXPECT_EQ(bar_->activeHotKey(VLStatusBar::kMainHotKeyID), (HokeyStruct{0x180000, 9, 1, false}));
    const int toggles = mainToggles_;
    press(9, kCtrlAlt);
    EXPECT_EQ(mainToggles_, toggles + 1);
  }
  // Once the other program lets go, the next activation takes the key.
  hotKeys_->setHeldByOtherApplication(7, kCtrlAlt, false);
  storeMainHotKey(VLConfig::hotkeyDictionary({0x180000, 7, 1, false}));
  EXPECT_TRUE(bar_->registerStoredHotKey(VLConfig::kMainHotKey));
  EXPECT_TRUE(bar_->isRegistered(VLStatusBar::kMainHotKeyID));
  EXPECT_EQ(hotKeys_->grabbedCombinations().count({9, kCtrlAlt}), 0u);
}

// Either hot key's entry of another type than a dictionary, found at start, registers the default in its
// place; the cleared hot key (the empty dictionary the pane stores) registers nothing.
TEST_F(StatusBarTest, AHotKeyEntryOfTheWrongTypeRegistersTheDefaultAndAClearedOneStaysCleared) {
  struct Key {
    long settingsKey;
    std::int64_t id;
    std::uint16_t defaultCode;
    const int* toggles;
  };
  const Key keys[] = {{VLConfig::kMainHotKey, VLStatusBar::kMainHotKeyID, 9, &mainToggles_},
                      {VLConfig::kRecordHotKey, VLStatusBar::kRecordHotKeyID, 15, &recordToggles_}};
  struct Case {
    const char* what;
    Json value;
  };
  const Case cases[] = {
      {"text", "Ctrl+Alt+X"}, {"a number", 9},
      {"a fraction", 1.5},    {"a list", Json::array({0x180000, 9, 1})},
      {"a boolean", true},    {"cleared", VLConfig::hotkeyDictionary(HokeyStruct::empty())}};
  for (const Key& k : keys) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(k.settingsKey) + ": " + c.what);
      const bool cleared = c.value.is_object();
      VLConfig::shared().setValueOfKey(k.settingsKey, c.value);
      log_.emplace();
      start();
      EXPECT_TRUE(log_->contains(cleared ? "is unset" : "is not a hot key"));
      EXPECT_EQ(bar_->isRegistered(k.id), !cleared);
      EXPECT_EQ(hotKeys_->grabbedCombinations().count({k.defaultCode, kCtrlAlt}), cleared ? 0u : 1u);
      const int toggles = *k.toggles;
      press(k.defaultCode, kCtrlAlt);
      EXPECT_EQ(*k.toggles, toggles + (cleared ? 0 : 1));
      // The entry itself is left as found, for the user to see and mend.
      EXPECT_EQ(VLConfig::shared().getValueOfKey(k.settingsKey), c.value);
      if (!cleared) {
        EXPECT_EQ(VLConfig::shared().getHotkeyValueOfKey(k.settingsKey),
                  VLConfig::defaultHotkeyOfKey(k.settingsKey));
      }
    }
    VLConfig::shared().setHotkeyValueOfKey(k.settingsKey, *VLConfig::defaultHotkeyOfKey(k.settingsKey));
  }
}

TEST_F(StatusBarTest, DoubleTapOfAModifierTogglesTheMainWindow) {
  struct Step {
    char kind;  // 'm' modifiers change, 'k' a key goes down, 'w' time passes
    std::uint16_t code;
    std::uint64_t flags;
  };
  const Step ctrl{'m', 55, Flags::Command}, up{'m', 55, 0};
  auto wait = [](std::uint64_t ms) { return Step{'w', 0, ms}; };
  struct Case {
    const char* what;
    HokeyStruct hotKey;
    std::vector<Step> steps;
    int toggles;
  };
  const HokeyStruct tapCtrl{0x100000, 55, 1, true};
  const Case cases[] = {
      {"299 ms apart", tapCtrl, {ctrl, up, wait(299), ctrl}, 1},
      {"300 ms apart, then the second press is the reference",
       tapCtrl,
       {ctrl, up, wait(300), ctrl, up, wait(200), ctrl},
       1},
      {"three quick presses toggle twice", tapCtrl, {ctrl, up, ctrl, up, ctrl}, 2},
      {"releases do not count", tapCtrl, {up, up, up}, 0},
      {"the right Ctrl", tapCtrl, {{'m', 54, Flags::Command}, up, {'m', 54, Flags::Command}}, 0},
      {"Shift held",
       tapCtrl,
       {{'m', 56, Flags::Shift},
        {'m', 55, Flags::Command | Flags::Shift},
        {'m', 55, Flags::Shift},
        {'m', 55, Flags::Command | Flags::Shift}},
       0},
      {"Caps Lock on",
       tapCtrl,
       {{'m', 55, Flags::Command | Flags::CapsLock},
        {'m', 55, Flags::CapsLock},
        {'m', 55, Flags::Command | Flags::CapsLock}},
       0},
      {"a key typed between the taps", tapCtrl, {ctrl, {'k', 8, Flags::Command}, up, ctrl}, 0},
      {"Alt while the hot key names Ctrl",
       tapCtrl,
       {{'m', 58, Flags::Option}, {'m', 58, 0}, {'m', 58, Flags::Option}},
       0},
      {"Alt", {0x80000, 58, 1, true}, {{'m', 58, Flags::Option}, {'m', 58, 0}, {'m', 58, Flags::Option}}, 1},
      {"Super",
       {0x40000, 59, 1, true},
       {{'m', 59, Flags::Control}, {'m', 59, 0}, {'m', 59, Flags::Control}},
       1},
      {"no double tap set", {0x180000, 9, 1, false}, {ctrl, up, ctrl}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    storeMainHotKey(VLConfig::hotkeyDictionary(c.hotKey));
    start();
    mainToggles_ = 0;
    for (const Step& s : c.steps) {
      if (s.kind == 'w') {
        clock_->advanceMs(static_cast<double>(s.flags));
      } else {
        other(ui::Event::keyEvent(s.kind == 'k' ? ui::EventType::KeyDown : ui::EventType::FlagsChanged,
                                  s.code, s.flags, "", ""));
      }
    }
    EXPECT_EQ(mainToggles_, c.toggles);
  }
  EXPECT_EQ(bar_->optionKeyDownTime(), 0);

  // A tap is no combination: the one it replaces goes back to the other programs.
  storeMainHotKey(VLConfig::hotkeyDictionary({0x180000, 9, 1, false}));
  start();
  EXPECT_EQ(hotKeys_->grabbedCombinations().count({9, kCtrlAlt}), 1u);
  storeMainHotKey(VLConfig::hotkeyDictionary(tapCtrl));
  EXPECT_TRUE(bar_->registerStoredHotKey(VLConfig::kMainHotKey));
  EXPECT_EQ(hotKeys_->grabbedCombinations().count({9, kCtrlAlt}), 0u);

  // In our own windows the same taps count.
  mainToggles_ = 0;
  for (std::uint64_t flags : {Flags::Command, std::uint64_t{0}, Flags::Command})
    ui::Application::shared().sendEvent(modifiers(55, flags));
  EXPECT_EQ(mainToggles_, 1);
}

TEST_F(StatusBarTest, ClicksInOtherProgramsTellThePlacementWhere) {
  start();
  other(ui::Event::mouseEvent(ui::EventType::LeftMouseDown, {1500, 300}, 0));
  other(ui::Event::mouseEvent(ui::EventType::RightMouseDown, {20, 40}, 0));
  EXPECT_EQ(clicks_, (std::vector<ui::Point>{{1500, 300}, {20, 40}}));
}

TEST_F(StatusBarTest, WithoutAMainWindowThePressIsLoggedOnce) {
  VLStatusBar::setWindowActions({});
  start();
  press(9, kCtrlAlt);
  press(9, kCtrlAlt);
  EXPECT_EQ(log_->count("hot keys: the main hot key was pressed; there is no main window yet"), 1);
}

}  // namespace
}  // namespace vl
