#include "shortcuts/VLShortcut.h"

#include <cstdint>

#include "core/VLConfig.h"
#include "platform/foundation/Log.h"
#include "shortcuts/ShortcutKeys.h"

namespace vl {

namespace {

std::optional<std::int64_t> integerField(const Json& entry, const char* field) {
  auto it = entry.find(field);
  if (it == entry.end()) return std::nullopt;
  if (it->is_number_unsigned()) {
    // Clamped rather than wrapped, so a huge number cannot come back as the cleared press.
    const auto u = it->get<std::uint64_t>();
    return u > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(u);
  }
  if (it->is_number_integer()) return it->get<std::int64_t>();
  // An unsigned above the signed range is out of range anyway; a whole float from another writer is
  // still the number it says.
  if (it->is_number_float()) {
    const double d = it->get<double>();
    if (d >= -1.0 && d <= 4294967295.0 && d == static_cast<double>(static_cast<std::int64_t>(d)))
      return static_cast<std::int64_t>(d);
  }
  return std::nullopt;
}

}  // namespace

Json VLShortcutValue::toJson() const {
  return VLConfig::shortcutDictionayWithModifierFlags(modifierFlags, keyCode);
}

std::optional<VLShortcutValue> VLShortcutValue::parse(const Json& entry, std::string* why) {
  auto fail = [why](std::string reason) {
    if (why) *why = std::move(reason);
    return std::nullopt;
  };
  if (!entry.is_object()) return fail(std::string("is ") + entry.type_name() + ", not a key press");
  const std::optional<std::int64_t> flags = integerField(entry, "modifier");
  const std::optional<std::int64_t> code = integerField(entry, "code");
  if (!flags || !code) return fail("lacks an integer modifier or code");
  const VLShortcutValue value{*flags, *code};
  const bool flagsInRange = *flags >= 0 && *flags <= 0xFFFF0000LL && (*flags & 0xFFFF) == 0;
  if (!value.isEmpty() && !(flagsInRange && *code >= 0 && *code <= 127)) {
    return fail("(" + std::to_string(*flags) + ", " + std::to_string(*code) + ") is out of range");
  }
  return value;
}

std::optional<VLShortcutValue> VLShortcutValue::fromJson(const std::string& name, const Json& entry) {
  std::string why;
  std::optional<VLShortcutValue> value = parse(entry, &why);
  if (!value) logWarningf("VLShortcut: entry of %s %s; ignored", name.c_str(), why.c_str());
  return value;
}

Json storedShortcutDictionary() {
  std::optional<Json> stored = VLConfig::shared().getValueOfKey(VLConfig::kUserShortcuts);
  if (!stored || stored->is_null()) return Json::object();
  if (!stored->is_object()) {
    logWarningf("VLShortcut: settings key 108 holds %s, not a dictionary; read as empty",
                stored->type_name());
    return Json::object();
  }
  return *stored;
}

void storeShortcutDictionary(const Json& stored) {
  VLConfig::shared().setValueOfKey(VLConfig::kUserShortcuts, stored);
}

bool VLShortcut::setDefaultShortcutValue(const VLShortcutValue& value, Json& stored) {
  default_ = value;
  current_.reset();
  auto it = stored.find(key_);
  if (it != stored.end()) {
    current_ = VLShortcutValue::fromJson(key_, *it);
    if (current_) return false;
  }
  // A missing or unusable entry gets the built-in press, so the preferences tool shows what we use.
  stored[key_] = value.toJson();
  return true;
}

void VLShortcut::setShortcutValue(const VLShortcutValue& value) {
  Json stored = storedShortcutDictionary();
  stored[key_] = value.toJson();
  storeShortcutDictionary(stored);
  current_ = value;
}

void VLShortcut::restoreDefault(Json& stored) {
  stored[key_] = default_.toJson();
  current_ = default_;
}

std::string VLShortcut::getDisplay() const {
  const VLShortcutValue& v = shortcutValue();
  return shortcutDisplayString(v.modifierFlags, v.keyCode);
}

}  // namespace vl
