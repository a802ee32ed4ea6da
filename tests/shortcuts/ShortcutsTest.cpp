#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/VLConfig.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"
#include "shortcuts/ShortcutKeys.h"
#include "shortcuts/VLShortcutCenter.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

// A private HOME per test; restart() is what a new process would see.
class ShortcutsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.emplace("vl-shortcuts");
    restart();
  }
  void TearDown() override {
    restart();
    home_.reset();
  }
  static void restart() {
    VLShortcutCenter::resetForTesting();
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }
  static Json stored() { return *VLConfig::shared().getValueOfKey(VLConfig::kUserShortcuts); }
  static void store(const std::string& name, Json entry) {
    Json all = VLConfig::shared().getValueOfKey(VLConfig::kUserShortcuts).value_or(Json::object());
    all[name] = std::move(entry);
    VLConfig::shared().setValueOfKey(VLConfig::kUserShortcuts, all);
  }
  static VLShortcutValue press(const std::string& name) {
    return VLShortcutCenter::defaultCenter().getShortcutForKey(name)->shortcutValue();
  }

 private:
  std::optional<vl::test::PrivateHome> home_;
};

TEST_F(ShortcutsTest, FirstStartSeedsEveryNameOnceAndKeepsStoredValues) {
  EXPECT_FALSE(VLConfig::shared().getValueOfKey(VLConfig::kUserShortcuts));
  VLShortcutCenter& center = VLShortcutCenter::defaultCenter();
  EXPECT_EQ(center.clipboardHistory().size() + center.thinkingBar().size() + center.pin().size(), 25u);
  const Json first = stored();
  ASSERT_EQ(first.size(), 25u);
  EXPECT_EQ(first["multiHistoryUp"], (Json{{"modifier", 0xa20000}, {"code", 126}}));
  EXPECT_EQ(first["thinkingBarSelect9"], (Json{{"modifier", 0x100000}, {"code", 25}}));
  EXPECT_EQ(first["pinRecord"], (Json{{"modifier", 0x100000}, {"code", 35}}));
  EXPECT_EQ(first["thinkingBarActive"], (Json{{"modifier", 0xb00000}, {"code", 126}}));
  EXPECT_EQ(first["searchInputAhead"], (Json{{"modifier", 0xa00000}, {"code", 123}}));
  EXPECT_EQ(center.getShortcutForKey("esc"), nullptr);  // fixed names are not the user's

  // The user's press survives the next start, and the default stays the built-in one.
  store("fullMode", VLConfig::shortcutDictionayWithModifierFlags(0x80000, 3));
  VLConfig::shared().setHotkeyValueOfKey(VLConfig::kMainHotKey, {0x120000, 8, 1, true});
  restart();
  EXPECT_EQ(press("fullMode"), VLShortcutValue::ofModifierFlags(0x80000, 3));
  EXPECT_EQ(VLShortcutCenter::defaultCenter().getShortcutForKey("fullMode")->defaultShortcutValue(),
            VLShortcutValue::ofModifierFlags(0x100000, 3));
  EXPECT_EQ(stored()["fullMode"], (Json{{"modifier", 0x80000}, {"code", 3}}));
  EXPECT_EQ(VLConfig::shared().getHotkeyValueOfKey(VLConfig::kMainHotKey),
            (HokeyStruct{0x120000, 8, 1, true}));
}

TEST_F(ShortcutsTest, FreshInstallHotKeysAreCtrlAlt) {
  VLConfig& config = VLConfig::shared();
  const HokeyStruct main = config.getHotkeyValueOfKey(VLConfig::kMainHotKey);
  const HokeyStruct record = config.getHotkeyValueOfKey(VLConfig::kRecordHotKey);
  EXPECT_EQ(main, (HokeyStruct{0x180000, 9, 1, false}));
  EXPECT_EQ(record, (HokeyStruct{0x180000, 15, 2, false}));
  EXPECT_EQ(shortcutDisplayString(main.modifierFlags, main.keyCode), "Ctrl+Alt+V");
  EXPECT_EQ(shortcutDisplayString(record.modifierFlags, record.keyCode), "Ctrl+Alt+R");
  EXPECT_EQ(convertModifierToKey(main.modifierFlags), 0x900);
}

TEST_F(ShortcutsTest, DisplayStringsAndKeyLabels) {
  struct Case {
    std::int64_t flags, code;
    const char* display;
  };
  const Case cases[] = {
      {-1, -1, ""},                             // cleared
      {0x1e0000, 0, "Ctrl+Alt+Shift+Super+A"},  // every modifier, in Linux order
      {0x100000, 83, "Ctrl+1"},                 // keypad digit
      {0x100000, 18, "Ctrl+1"},                 // main-row digit
      {0x100000, 51, "Ctrl+Backspace"},
      {0x900000, 117, "Ctrl+Delete"},     // the function bit has no name
      {0xa20000, 126, "Shift+↑"},         // arrows hide their pad and function bits
      {0x10000 | 0x100000, 9, "Ctrl+V"},  // Caps Lock has no name
      {0x100000, 47, "Ctrl+."},
      {0x100000, 50, "Ctrl+`"},
      {0x20000, 56, "Shift"},  // a modifier key alone
      {0, 36, "Return"},
      {0x80000, 76, "Alt+Enter"},  // the keypad's
      {0, 48, "Tab"},
      {0x800000, 114, "Insert"},
      {0x800000, 115, "Home"},
      {0x800000, 119, "End"},
      {0x800000, 116, "Page Up"},
      {0x800000, 121, "Page Down"},
      {0, 96, "F5"},
      {0x40000, 42, "Super+\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(shortcutDisplayString(c.flags, c.code), c.display) << std::hex << c.flags << " " << c.code;
  }
  // Every label is a Linux name: none of the other platform's key symbols.
  for (std::int64_t code = 0; code <= 126; ++code) {
    const std::string label = keyCodeString(code).value_or("");
    for (const char* symbol : {"↩", "⇥", "⌫", "⌦", "⇞", "⇟", "⌅", "⌧", "⌃", "⌥", "⇧", "⌘", "Help"})
      EXPECT_EQ(label.find(symbol), std::string::npos) << code << " " << label;
  }
  EXPECT_EQ(keyCodeString(117), "Delete");
  for (std::int64_t code : {56LL, 127LL, -1LL, 1LL << 40})
    EXPECT_EQ(keyCodeString(code), std::nullopt) << code;
  EXPECT_EQ(modifierFlagsString(-1), "");
  EXPECT_EQ(modifierFlagsString(0x200000), "");
  EXPECT_EQ(convertModifierToKey(0xa20000), 0x200);
  EXPECT_EQ(convertModifierToKey(0x1c0000), 0x1900);
}

// No built-in press is one the desktops or their text fields use; Alt+Delete deletes the chosen records
// and Alt+Return pastes rich text. Rows added to the registry are checked here too.
// The manual's keys page names the presses a fresh install gives the thinking bar (and the way back to
// the list), as the Shortcuts pane shows them; the numbered actions as the range of their first and last.
TEST_F(ShortcutsTest, TheManualNamesTheThinkingBarsPresses) {
  const std::optional<std::string> page = files::readFile(std::string(VL_RESOURCES_DIR) + "/help/keys.html");
  ASSERT_TRUE(page.has_value());
  std::string text;  // the page's text: tags dropped
  bool inTag = false;
  for (char c : *page) {
    if (c == '<') inTag = true;
    if (!inTag) text += c;
    if (c == '>') inTag = false;
  }
  VLShortcutCenter& center = VLShortcutCenter::defaultCenter();
  std::vector<const VLShortcut*> named;
  for (const VLShortcut& s : center.thinkingBar()) {
    const bool numbered = s.key().starts_with("thinkingBarSelect");
    if (!numbered || s.key().ends_with('1') || s.key().ends_with('9')) named.push_back(&s);
  }
  named.push_back(center.getShortcutForKey("historyActive"));
  for (const VLShortcut* s : named) {
    ASSERT_NE(s, nullptr);
    const std::string shown = s->getDisplay();
    EXPECT_FALSE(shown.empty()) << s->key();
    EXPECT_NE(text.find(shown), std::string::npos) << s->key() << " (" << shown << ") is not in the manual";
  }
}

TEST_F(ShortcutsTest, NoBuiltInPressTakesWhatTheDesktopOrATextFieldUses) {
  using namespace modifier;
  const std::pair<std::int64_t, std::int64_t> textFields[] = {
      {kCommand, 51},
      {kCommand | kFunction, 117},
      {kShift | kFunction, 117},  // word and cut deletes
      {kCommand, 0},
      {kCommand, 8},
      {kCommand, 9},  // select all, copy, paste
      {kCommand, 7},
      {kCommand, 6},
      {kCommand | kArrow, 123},  // cut, undo, word left
      {kCommand | kArrow, 124},
      {kOption, 48},
      {kOption | kFunction, 118},  // word right, Alt+Tab, Alt+F4
      {0, 51},
      {kFunction, 117},
      {kFunction, 115},  // Backspace, Delete, Home
      {kFunction, 119},
  };
  VLShortcutCenter& center = VLShortcutCenter::defaultCenter();
  for (auto* group : {&center.clipboardHistory(), &center.thinkingBar(), &center.pin()}) {
    for (const VLShortcut& s : *group) {
      SCOPED_TRACE(s.key() + " " + s.getDisplay());
      const VLShortcutValue press = s.defaultShortcutValue();
      EXPECT_FALSE(press.modifierFlags & kControl) << "Super belongs to the desktop";
      EXPECT_FALSE((press.modifierFlags & kCommand) && (press.modifierFlags & kOption))
          << "Ctrl+Alt belongs to the desktop";
      for (const auto& [flags, code] : textFields)
        EXPECT_FALSE(press == VLShortcutValue::ofModifierFlags(flags, code));
    }
  }
  EXPECT_EQ(center.getShortcutForKey("historyDel")->getDisplay(), "Alt+Delete");
  EXPECT_EQ(center.getShortcutForKey("richText")->getDisplay(), "Alt+Return");
  EXPECT_EQ(stored()["historyDel"], (Json{{"modifier", 0x880000}, {"code", 117}}));
  EXPECT_TRUE(center.getConflictClipboardHistory().empty());

  // A press stored before stays; Reset gives the new one.
  restart();
  store("historyDel", VLConfig::shortcutDictionayWithModifierFlags(kCommand, 51));
  EXPECT_EQ(press("historyDel"), VLShortcutValue::ofModifierFlags(kCommand, 51));
  VLShortcutCenter::defaultCenter().restore();
  EXPECT_EQ(press("historyDel"), VLShortcutValue::ofModifierFlags(kOption | kFunction, 117));

  // The fixed line-editing names sit on Home and End, not on Super.
  const Json fixed = VLConfig::fixedShortcuts();
  EXPECT_EQ(fixed["inputCtrlA"], (Json{{"modifier", 0x800000}, {"code", 115}}));
  EXPECT_EQ(fixed["inputCtrlE"], (Json{{"modifier", 0x800000}, {"code", 119}}));
}

TEST_F(ShortcutsTest, ConflictsAreKnownAtStartUpAndAcrossGroups) {
  // historyUp stored as Ctrl+1, which the thinking bar's first action uses too.
  store("historyUp", VLConfig::shortcutDictionayWithModifierFlags(0x100000, 18));
  VLShortcutCenter& center = VLShortcutCenter::defaultCenter();
  EXPECT_TRUE(center.isConflictKey("historyUp"));
  EXPECT_TRUE(center.isConflictKey("thinkingBarSelect1"));
  EXPECT_FALSE(center.isConflictKey("historyDown"));
  EXPECT_FALSE(center.isConflictKey("nothing"));

  // One group's computation flags only its own side.
  center.getShortcutForKey("historyUp")->setShortcutValue(VLShortcutValue::ofModifierFlags(0x100000, 35));
  const auto history = center.getConflictClipboardHistory();
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].key(), "historyUp");
  EXPECT_FALSE(center.isConflictKey("pinRecord"));
  EXPECT_EQ(center.getConflictPin().size(), 1u);
  EXPECT_TRUE(center.isConflictKey("pinRecord"));

  // Two cleared shortcuts of one group conflict with each other.
  center.getShortcutForKey("thinkingBarSelect2")->setShortcutValue(VLShortcutValue::empty());
  center.getShortcutForKey("thinkingBarSelect3")->setShortcutValue(VLShortcutValue::empty());
  center.updateAllConflicts();
  EXPECT_TRUE(center.isConflictKey("thinkingBarSelect2"));
  EXPECT_TRUE(center.isConflictKey("thinkingBarSelect3"));
  EXPECT_FALSE(center.isConflictKey("thinkingBarSelect1"));
  EXPECT_EQ(center.getShortcutForKey("thinkingBarSelect2")->getDisplay(), "");
}

TEST_F(ShortcutsTest, RestoreWritesTheBuiltInPressesBack) {
  store("historySelect", VLConfig::shortcutDictionayWithModifierFlags(0x100000, 18));
  VLShortcutCenter::defaultCenter()
      .getShortcutForKey("pinRecord")
      ->setShortcutValue(VLShortcutValue::empty());
  VLShortcutCenter::defaultCenter().restore();
  EXPECT_FALSE(VLShortcutCenter::defaultCenter().isConflictKey("historySelect"));
  restart();
  EXPECT_EQ(press("historySelect"), VLShortcutValue::ofModifierFlags(0, 36));
  EXPECT_EQ(press("pinRecord"), VLShortcutValue::ofModifierFlags(0x100000, 35));
  EXPECT_EQ(stored()["historySelect"], (Json{{"modifier", 0}, {"code", 36}}));
}

TEST_F(ShortcutsTest, MalformedStoredEntriesReadAsAbsentWithALogLine) {
  struct Case {
    const char* what;
    Json entry;
  };
  const Case cases[] = {
      {"missing code", Json{{"modifier", 0x100000}}},
      {"missing modifier", Json{{"code", 3}}},
      {"empty dictionary", Json::object()},
      {"text fields", Json{{"modifier", "0x100000"}, {"code", "3"}}},
      {"boolean code", Json{{"modifier", 0x100000}, {"code", true}}},
      {"not a dictionary", Json::array({0x100000, 3})},
      {"huge code", Json{{"modifier", 0x100000}, {"code", 1LL << 40}}},
      {"huge unsigned modifier", Json{{"modifier", UINT64_MAX}, {"code", 3}}},
      {"low modifier bits", Json{{"modifier", 0x100001}, {"code", 3}}},
      {"negative code", Json{{"modifier", 0x100000}, {"code", -5}}},
      {"fractional code", Json{{"modifier", 0x100000}, {"code", 3.5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    store("fullMode", c.entry);
    vl::test::LogCapture log;
    EXPECT_EQ(press("fullMode"), VLShortcutValue::ofModifierFlags(0x100000, 3));
    EXPECT_TRUE(log.containsPrefix("VLShortcut: entry of fullMode"));
    EXPECT_EQ(stored()["fullMode"], (Json{{"modifier", 0x100000}, {"code", 3}}));
  }

  // A whole-number float from another writer is still the press; a stored cleared press stays cleared.
  restart();
  store("fullMode", Json{{"modifier", 524288.0}, {"code", 3.0}});
  store("richText", VLShortcutValue::empty().toJson());
  EXPECT_EQ(press("fullMode"), VLShortcutValue::ofModifierFlags(0x80000, 3));
  EXPECT_TRUE(press("richText").isEmpty());

  // Key 108 of another type reads as empty and is replaced by the built-in presses.
  restart();
  VLConfig::shared().setValueOfKey(VLConfig::kUserShortcuts, "garbage");
  vl::test::LogCapture log;
  EXPECT_EQ(press("historyUp"), VLShortcutValue::ofModifierFlags(0xa00000, 126));
  EXPECT_TRUE(log.contains("not a dictionary"));
  EXPECT_EQ(stored().size(), 25u);
}

}  // namespace
}  // namespace vl
