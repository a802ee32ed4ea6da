#include "core/VLConfig.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "core/web/WebSearchBrowser.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/Event.h"

namespace vl {

namespace {

// Modifier flag bits of stored shortcuts.
constexpr long long kCommand = ui::ModifierFlags::Command;
constexpr long long kOption = ui::ModifierFlags::Option;
// The function bit that Home, End and the other function keys carry.
constexpr long long kFunction = ui::ModifierFlags::Function;
// Command with the numeric-pad and function bits that arrow keys carry.
constexpr long long kCommandArrow = 0xb00000;

struct Instance {
  std::mutex mutex;
  std::atomic<VLConfig*> current{nullptr};
  // Stores dropped by resetForTesting stay alive: code elsewhere may still hold a reference.
  std::vector<std::unique_ptr<VLConfig>> retired;
};

Instance& instance() {
  static Instance* i = new Instance();  // never destroyed: settings may be read while the process exits
  return *i;
}

std::string storageKey(long key) { return std::to_string(key); }

// Hot key fields are read without trusting the stored type: the preferences tool, or a hand-edited
// file, may leave text, fractions or huge numbers there.
std::int64_t int64Field(const Json& object, const char* name) {
  auto it = object.find(name);
  if (it == object.end()) return 0;
  if (it->is_number_integer()) return it->get<std::int64_t>();
  if (it->is_number_float()) {
    double d = it->get<double>();
    if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18) return 0;
    return static_cast<std::int64_t>(d);
  }
  if (it->is_boolean()) return it->get<bool>() ? 1 : 0;
  return 0;
}

bool boolField(const Json& object, const char* name) {
  auto it = object.find(name);
  if (it == object.end()) return false;
  if (it->is_boolean()) return it->get<bool>();
  if (it->is_number()) return it->get<double>() != 0;
  return false;
}

}  // namespace

VLConfig& VLConfig::shared() {
  Instance& i = instance();
  if (VLConfig* config = i.current.load(std::memory_order_acquire)) return *config;
  std::lock_guard<std::mutex> lock(i.mutex);
  if (VLConfig* config = i.current.load(std::memory_order_acquire)) return *config;
  auto created = std::unique_ptr<VLConfig>(new VLConfig());
  VLConfig* config = created.get();
  i.retired.push_back(std::move(created));
  i.current.store(config, std::memory_order_release);
  return *config;
}

void VLConfig::resetForTesting() {
  Instance& i = instance();
  std::lock_guard<std::mutex> lock(i.mutex);
  i.current.store(nullptr, std::memory_order_release);
}

VLConfig::VLConfig() : defaults_(&UserDefaults::suite(UserDefaults::kGroupSuite)) { writeDefaults(); }

void VLConfig::writeDefaults() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::pair<long, Json> defaults[] = {
      {kLaunchAtLogin, false},
      {kMainHotKey, hotkeyDictionary(*defaultHotkeyOfKey(kMainHotKey))},
      {kDeviceUUID, uuidString()},
      {kStatusIconColor, "red"},
      {kTouchBarCustomization, false},
      {kMaxTextLength, 5000},
      // The desktop's own browser until the installed ones are known (start-up adds them by entry id).
      {kWebSearch, Json{{"browserList", {WebSearchBrowser::kDefaultBrowser}},
                        {"engineList", {"Google", "Baidu", "Bing", "DuckDuckGo"}},
                        {"browser", WebSearchBrowser::kDefaultBrowser},
                        {"engine", "Google"}}},
      {kImageStorage,
       Json{{"isCopy", true}, {"timeList", {"1w", "2w", "1m", "3m", "ever"}}, {"storageTime", "1w"}}},
      // The password managers of the Linux desktops, by desktop entry name.
      {kIgnoredApps, Json{{"appList",
                           {"org.keepassxc.KeePassXC", "org.gnome.seahorse.Application", "bitwarden",
                            "1password", "keepassxc"}}}},
      {kSnippetsMerge, false},
      {kWindowOrigins, Json::array()},
      {kAnimateStatusItem, true},
      {kPlaySound, false},
      {kMergingCopy, false},
      {kMergeWithFirstConnector, true},
      {kFirstConnector, "\n"},
      {kSecondConnector, ""},
      {kPasteDirectly, true},
      {kShowPastePopover, true},
      {kThemeName, "classic"},
      {kRecordHotKey, hotkeyDictionary(*defaultHotkeyOfKey(kRecordHotKey))},
      {kPreferencesOnly, false},
  };
  Json missing = Json::object();
  for (const auto& [key, value] : defaults) missing[storageKey(key)] = value;
  // Not written to disk: the defaults are registered again at every start.
  (void)defaults_->registerDefaults(missing);
  // The fixed in-window shortcuts are ours, not the user's: rewritten at every start.
  setValueOfKey(kFixedShortcuts, fixedShortcuts());
}

std::optional<Json> VLConfig::getValueOfKey(long key) { return defaults_->object(storageKey(key)); }

bool VLConfig::getBoolValueOfKey(long key) { return defaults_->boolValue(storageKey(key)); }

long long VLConfig::getIntegerValueOfKey(long key) {
  long long value = defaults_->integerValue(storageKey(key));
  // Wrapping a large stored number to 32 bits would turn a big limit into a negative one.
  constexpr long long kMin = std::numeric_limits<std::int32_t>::min();
  constexpr long long kMax = std::numeric_limits<std::int32_t>::max();
  return value < kMin ? kMin : value > kMax ? kMax : value;
}

std::optional<std::string> VLConfig::getStringValueOfKey(long key) {
  std::optional<Json> value = getValueOfKey(key);
  if (!value) return std::nullopt;
  if (!value->is_string()) {
    logWarningf("VLConfig: key %ld holds %s, not text", key, value->type_name());
    return std::nullopt;
  }
  return value->get<std::string>();
}

HokeyStruct VLConfig::getHotkeyValueOfKey(long key) {
  std::optional<Json> value = getValueOfKey(key);
  if (!value) return HokeyStruct::empty();
  if (!value->is_object()) {
    // Damaged by hand or by another program: the default keeps the window reachable by its hot key.
    const std::optional<HokeyStruct> fallback = defaultHotkeyOfKey(key);
    logWarningf("VLConfig: key %ld holds %s, not a hot key; %s", key, value->type_name(),
                fallback ? "reading the default" : "reading none");
    return fallback.value_or(HokeyStruct::empty());
  }
  return HokeyStruct{int64Field(*value, "modifier"), int64Field(*value, "code"),
                     int64Field(*value, "hotKeyID"), boolField(*value, "doubleTap")};
}

void VLConfig::setValueOfKey(long key, const Json& value, bool setWhenNil) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (setWhenNil && getValueOfKey(key)) return;
  defaults_->setObject(storageKey(key), value);
}

void VLConfig::setBoolValueOfKey(long key, bool value, bool setWhenNil) {
  setValueOfKey(key, Json(value), setWhenNil);
}

void VLConfig::setIntegerValueOfKey(long key, long long value, bool setWhenNil) {
  setValueOfKey(key, Json(value), setWhenNil);
}

void VLConfig::setStringValueOfKey(long key, const std::optional<std::string>& value, bool setWhenNil) {
  setValueOfKey(key, value ? Json(*value) : Json(), setWhenNil);
}

void VLConfig::setHotkeyValueOfKey(long key, const HokeyStruct& value, bool setWhenNil) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (setWhenNil && !getHotkeyValueOfKey(key).isEmpty()) return;
  defaults_->setObject(storageKey(key), hotkeyDictionary(value));
}

Json VLConfig::shortcutDictionayWithModifierFlags(long long flags, long long keyCode) {
  return Json{{"modifier", flags}, {"code", keyCode}};
}

Json VLConfig::hotkeyDictionary(const HokeyStruct& value) {
  return Json{{"modifier", value.modifierFlags},
              {"code", value.keyCode},
              {"hotKeyID", value.hotKeyID},
              {"doubleTap", value.doubleTap}};
}

std::optional<HokeyStruct> VLConfig::defaultHotkeyOfKey(long key) {
  // Ctrl+Alt+V and Ctrl+Alt+R: with the Command flag on Ctrl, Shift-Command-C would be the terminals'
  // copy and Shift-Command-R the browsers' hard reload.
  if (key == kMainHotKey) return HokeyStruct{kCommand | kOption, 9, 1, false};
  if (key == kRecordHotKey) return HokeyStruct{kCommand | kOption, 15, 2, false};
  return std::nullopt;
}

Json VLConfig::fixedShortcuts() {
  return Json{
      {"esc", shortcutDictionayWithModifierFlags(0, 53)},
      {"pinTabSwitch", shortcutDictionayWithModifierFlags(0, 48)},
      {"enter", shortcutDictionayWithModifierFlags(0, 36)},
      {"inputCommandA", shortcutDictionayWithModifierFlags(kCommand, 0)},
      {"inputCommandLeft", shortcutDictionayWithModifierFlags(kCommandArrow, 123)},
      // The start and end of the line are Home and End here; Super+A and Super+E belong to the desktop.
      {"inputCtrlA", shortcutDictionayWithModifierFlags(kFunction, 115)},
      {"inputCommandRight", shortcutDictionayWithModifierFlags(kCommandArrow, 124)},
      {"inputCtrlE", shortcutDictionayWithModifierFlags(kFunction, 119)},
      {"copy", shortcutDictionayWithModifierFlags(kCommand, 8)},
  };
}

}  // namespace vl
