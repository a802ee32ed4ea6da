#include "shortcuts/ShortcutHelper.h"

#include "core/VLConfig.h"
#include "core/keys/LocalShortcutsManager.h"
#include "shortcuts/ShortcutKeys.h"
#include "shortcuts/VLShortcutCenter.h"

namespace vl {

namespace {

// Virtual key codes run from 0 to 126; a backend hands anything else over for a key it cannot name.
constexpr std::int64_t kLastKeyCode = 126;

std::int64_t comparable(std::int64_t flags) { return flags & 0xFFFF0000LL & ~modifier::kCapsLock; }

}  // namespace

bool ShortcutHelper::equalTo(const Json* entry, std::int64_t modifierFlags, std::int64_t keyCode) {
  if (!entry) return false;
  const std::optional<VLShortcutValue> stored = VLShortcutValue::parse(*entry);
  // A cleared press is no press: nothing a key can make matches it.
  if (!stored || stored->isEmpty()) return false;
  return comparable(stored->modifierFlags) == comparable(modifierFlags) && stored->keyCode == keyCode;
}

std::vector<std::string> ShortcutHelper::namesOfPress(const std::optional<Json>& dictionary,
                                                      std::int64_t modifierFlags, std::int64_t keyCode) {
  std::vector<std::string> names;
  if (!dictionary || !dictionary->is_object()) return names;
  for (const auto& [name, entry] : dictionary->items()) {
    if (equalTo(&entry, modifierFlags, keyCode)) names.push_back(name);
  }
  return names;
}

bool ShortcutHelper::dispatchWithModifierFlags(std::int64_t modifierFlags, std::int64_t keyCode) {
  if (keyCode < 0 || keyCode > kLastKeyCode) return false;
  VLConfig& config = VLConfig::shared();
  LocalShortcutsManager& receivers = LocalShortcutsManager::shared();
  const std::vector<std::string> fixed =
      namesOfPress(config.getValueOfKey(VLConfig::kFixedShortcuts), modifierFlags, keyCode);
  if (!fixed.empty() && receivers.offerShortcutKey(fixed.front())) return true;

  const std::vector<std::string> named =
      namesOfPress(config.getValueOfKey(VLConfig::kUserShortcuts), modifierFlags, keyCode);
  if (named.empty()) return false;
  // Two names on one press would act by chance, whichever came first; the shortcuts pane shows the
  // conflict and the press does nothing until it is resolved. Counting the matches also catches a
  // conflict written by another program after the flags were last computed.
  if (named.size() > 1 || VLShortcutCenter::defaultCenter().isConflictKey(named.front())) return false;
  return receivers.offerShortcutKey(named.front());
}

}  // namespace vl
