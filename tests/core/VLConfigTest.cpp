#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <limits>
#include <set>
#include <string>

#include "SharedServicesFixture.h"
#include "core/VLConfig.h"
#include "core/VLDevice.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {
namespace {

// Each test gets its own HOME and XDG_CONFIG_HOME, so the suite file starts absent.
using VLConfigTest = SharedServicesFixture;

TEST_F(VLConfigTest, FirstStartWritesExactlyTheDefaultedKeys) {
  Json s = VLConfig::shared().groupUserDefaults().dictionaryRepresentation();
  std::set<std::string> keys;
  for (auto& [key, value] : s.items()) keys.insert(key);
  std::set<std::string> expected = {"0",   "1",   "5",   "100", "101", "102",
                                    "104", "105", "107", "110", "111", "112"};
  for (int k = 113; k <= 123; ++k) expected.insert(std::to_string(k));
  EXPECT_EQ(keys, expected);

  // The dictionaries and typed scalars other programs and subsystems parse back; the identifier is
  // the device's, and its shape is the UUID helper's.
  const std::vector<std::pair<std::string, Json>> values = {
      {"1", {{"modifier", 0x180000}, {"code", 9}, {"hotKeyID", 1}, {"doubleTap", false}}},
      {"122", {{"modifier", 0x180000}, {"code", 15}, {"hotKeyID", 2}, {"doubleTap", false}}},
      {"102", 5000},
      {"104",
       {{"browserList", {"Default browser"}},
        {"engineList", {"Google", "Baidu", "Bing", "DuckDuckGo"}},
        {"browser", "Default browser"},
        {"engine", "Google"}}},
      {"105", {{"isCopy", true}, {"timeList", {"1w", "2w", "1m", "3m", "ever"}}, {"storageTime", "1w"}}},
      {"107",
       {{"appList",
         {"org.keepassxc.KeePassXC", "org.gnome.seahorse.Application", "bitwarden", "1password",
          "keepassxc"}}}},
  };
  for (const auto& [key, value] : values) EXPECT_EQ(s[key], value) << "key " << key;
  EXPECT_TRUE(s["102"].is_number_integer());
  ASSERT_EQ(s["112"].size(), 9u);
  EXPECT_EQ(s["112"]["inputCommandLeft"], (Json{{"modifier", 0xb00000}, {"code", 123}}));
  EXPECT_EQ(s["5"].get<std::string>().size(), 36u);
  EXPECT_EQ(VLDevice::uuid(), s["5"].get<std::string>());
}

TEST_F(VLConfigTest, SecondStartKeepsIdentifierAndUserValuesButRewritesFixedShortcuts) {
  VLConfig& first = VLConfig::shared();
  std::string uuid = *first.getStringValueOfKey(VLConfig::kDeviceUUID);
  first.setStringValueOfKey(VLConfig::kStatusIconColor, "blue");
  first.setBoolValueOfKey(VLConfig::kPlaySound, true);
  first.setHotkeyValueOfKey(VLConfig::kMainHotKey, {0x100000, 9, 1, false});
  first.setValueOfKey(VLConfig::kFixedShortcuts,
                      Json{{"esc", VLConfig::shortcutDictionayWithModifierFlags(1, 2)}});
  first.setIntegerValueOfKey(VLConfig::kMaxTextLength, 0);

  restart();
  VLConfig& second = VLConfig::shared();
  EXPECT_EQ(second.getStringValueOfKey(VLConfig::kDeviceUUID), uuid);
  EXPECT_EQ(second.getStringValueOfKey(VLConfig::kStatusIconColor), "blue");
  EXPECT_TRUE(second.getBoolValueOfKey(VLConfig::kPlaySound));
  EXPECT_EQ(second.getHotkeyValueOfKey(VLConfig::kMainHotKey), (HokeyStruct{0x100000, 9, 1, false}));
  EXPECT_EQ(second.getIntegerValueOfKey(VLConfig::kMaxTextLength), 0);
  EXPECT_EQ(*second.getValueOfKey(VLConfig::kFixedShortcuts), VLConfig::fixedShortcuts());
}

TEST_F(VLConfigTest, HotKeyReadsTheStoredDictionaryDefensively) {
  VLConfig& config = VLConfig::shared();
  struct Case {
    const char* what;
    Json stored;  // null: nothing stored
    HokeyStruct expected;
  };
  const std::vector<Case> cases = {
      {"nothing", Json(), HokeyStruct::empty()},
      {"full",
       {{"modifier", 0x40000}, {"code", 59}, {"hotKeyID", 1}, {"doubleTap", true}},
       {0x40000, 59, 1, true}},
      {"missing fields read 0 and NO", Json::object(), {0, 0, 0, false}},
      {"partial", {{"code", 8}}, {0, 8, 0, false}},
      {"not a dictionary", "Shift-Command-C", HokeyStruct::empty()},
      {"odd field types",
       {{"modifier", 1e300}, {"code", "8"}, {"hotKeyID", 2.9}, {"doubleTap", 1}},
       {0, 0, 2, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    config.setValueOfKey(200, c.stored);
    EXPECT_EQ(config.getHotkeyValueOfKey(200), c.expected);
  }
}

TEST_F(VLConfigTest, SetHotKeyWhenNilWritesOnlyOverTheEmptyHotKey) {
  VLConfig& config = VLConfig::shared();
  const HokeyStruct value{0x120000, 8, 1, false};
  struct Case {
    const char* what;
    Json stored;
    bool writes;
  };
  const std::vector<Case> cases = {
      {"nothing stored", Json(), true},
      {"the empty hot key", VLConfig::hotkeyDictionary(HokeyStruct::empty()), true},
      {"a dictionary that reads {0,0,0,NO}", Json::object(), false},
      {"another hot key", VLConfig::hotkeyDictionary({0x100000, 9, 1, true}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    config.setValueOfKey(201, c.stored);
    config.setHotkeyValueOfKey(201, value, true);
    EXPECT_EQ(config.getHotkeyValueOfKey(201) == value, c.writes);
  }
}

TEST_F(VLConfigTest, TypedReadsOfMissingAndOddValues) {
  VLConfig& config = VLConfig::shared();
  EXPECT_EQ(config.getIntegerValueOfKey(300), 0);
  EXPECT_FALSE(config.getBoolValueOfKey(300));
  EXPECT_EQ(config.getStringValueOfKey(300), std::nullopt);
  EXPECT_EQ(config.getValueOfKey(300), std::nullopt);

  // Integers read as 32-bit values; out-of-range ones clamp instead of wrapping to the other sign.
  const std::vector<std::pair<Json, long long>> integers = {
      {Json(42), 42},
      {Json(true), 1},
      {Json(7.9), 7},
      {Json(1LL << 40), std::numeric_limits<int32_t>::max()},
      {Json(-(1LL << 40)), std::numeric_limits<int32_t>::min()},
      {Json("12"), 12},
      {Json::array(), 0},
  };
  for (const auto& [value, expected] : integers) {
    config.setValueOfKey(301, value);
    EXPECT_EQ(config.getIntegerValueOfKey(301), expected) << value.dump();
  }
  config.setIntegerValueOfKey(301, 1);
  EXPECT_TRUE(config.getBoolValueOfKey(301));
  config.setValueOfKey(302, 5);
  EXPECT_EQ(config.getStringValueOfKey(302), std::nullopt);  // a number is not text
}

TEST_F(VLConfigTest, SetWhenNilKeepsAnyStoredValueAndAbsentValuesRemove) {
  VLConfig& config = VLConfig::shared();
  config.setIntegerValueOfKey(400, 1, true);
  config.setIntegerValueOfKey(400, 2, true);
  config.setBoolValueOfKey(400, true, true);  // any stored value blocks it, whatever its type
  EXPECT_EQ(*config.getValueOfKey(400), Json(1));
  config.setBoolValueOfKey(401, false);
  config.setBoolValueOfKey(401, true, true);  // a stored NO still counts as a value
  EXPECT_FALSE(config.getBoolValueOfKey(401));

  config.setStringValueOfKey(402, "b");
  config.setStringValueOfKey(402, std::nullopt);
  EXPECT_EQ(config.getValueOfKey(402), std::nullopt);
}

TEST_F(VLConfigTest, ValueSetByAnotherProcessIsReadHere) {
  VLConfig& config = VLConfig::shared();
  EXPECT_EQ(config.getIntegerValueOfKey(VLConfig::kMaxTextLength), 5000);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    VLConfig::shared().setIntegerValueOfKey(VLConfig::kMaxTextLength, 77);
    VLConfig::shared().setStringValueOfKey(VLConfig::kThemeName, "dark");
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(config.getIntegerValueOfKey(VLConfig::kMaxTextLength), 77);
  EXPECT_EQ(config.getStringValueOfKey(VLConfig::kThemeName), "dark");
}

TEST(VLDeviceTest, SystemVersionTakesTheLeadingNumbersOfTheKernelRelease) {
  const std::vector<std::pair<std::string, VLSystemVersion>> cases = {
      {"6.1.0-13-amd64", {6, 1, 0}},
      {"5.15.133.1-microsoft-standard-WSL2", {5, 15, 133}},
      {"6.8", {6, 8, 0}},
      {"4.19.0-rc1", {4, 19, 0}},
      {"7", {7, 0, 0}},
      {"", {0, 0, 0}},
      {"generic", {0, 0, 0}},
      {"99999999999999999999.1", {0, 0, 0}},
  };
  for (const auto& [release, expected] : cases) {
    EXPECT_EQ(VLDevice::systemVersionOfRelease(release), expected) << release;
  }
  EXPECT_GT(VLDevice::systemVersion().majorVersion, 0);
  EXPECT_FALSE(VLDevice::name().empty());
}

}  // namespace
}  // namespace vl
