#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Button.h"
#include "shortcuts/VLShortcut.h"

namespace vl {

// A button that shows a key press as its title ("Ctrl+Alt+V", nothing for the cleared press), and the
// key-label operations the menus, hot keys and recorders share. The themed recorders of the
// preferences panes build on it.
class VLShortcutsButton : public ui::Button {
 public:
  explicit VLShortcutsButton(const ui::Rect& frame = {}) : ui::Button(frame) {}
  static std::shared_ptr<VLShortcutsButton> create(const ui::Rect& frame = {}) {
    return std::make_shared<VLShortcutsButton>(frame);
  }

  const VLShortcutValue& shortcutValue() const { return value_; }
  void setShortcutValue(const VLShortcutValue& value);

  // The hot key modifier bits of a flag set (Command 0x100, Shift 0x200, Option 0x800, Control 0x1000).
  static std::int64_t convertModifierToKey(std::int64_t flags);
  // "Ctrl+Alt+Shift+Super" for the modifiers present; empty for -1 and when none is.
  static std::string modifierFlagsString(std::int64_t flags);
  // The key's Linux name ("Backspace", "Delete", "Page Up"); nothing for a code without one.
  static std::optional<std::string> keyCodeString(std::int64_t code);

 private:
  VLShortcutValue value_;
};

}  // namespace vl
