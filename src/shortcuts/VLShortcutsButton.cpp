#include "shortcuts/VLShortcutsButton.h"

#include "shortcuts/ShortcutKeys.h"

namespace vl {

void VLShortcutsButton::setShortcutValue(const VLShortcutValue& value) {
  value_ = value;
  setTitle(shortcutDisplayString(value.modifierFlags, value.keyCode));
}

std::int64_t VLShortcutsButton::convertModifierToKey(std::int64_t flags) {
  return vl::convertModifierToKey(flags);
}

std::string VLShortcutsButton::modifierFlagsString(std::int64_t flags) {
  return vl::modifierFlagsString(flags);
}

std::optional<std::string> VLShortcutsButton::keyCodeString(std::int64_t code) {
  return vl::keyCodeString(code);
}

}  // namespace vl
