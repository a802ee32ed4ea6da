#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/ui/view/Event.h"

namespace vl {

// Short names for the modifier flag bits of ui::ModifierFlags, signed as stored shortcuts hold them. On
// Linux the Command bit is Ctrl, Option is Alt and Control is Super.
namespace modifier {
constexpr std::int64_t kCapsLock = ui::ModifierFlags::CapsLock;
constexpr std::int64_t kShift = ui::ModifierFlags::Shift;
constexpr std::int64_t kControl = ui::ModifierFlags::Control;
constexpr std::int64_t kOption = ui::ModifierFlags::Option;
constexpr std::int64_t kCommand = ui::ModifierFlags::Command;
constexpr std::int64_t kNumericPad = ui::ModifierFlags::NumericPad;
constexpr std::int64_t kFunction = ui::ModifierFlags::Function;
// Arrow keys always carry the numeric-pad and function bits.
constexpr std::int64_t kArrow = kNumericPad | kFunction;
}  // namespace modifier

// The hot key modifier bits of a flag set: Control 0x1000, Option 0x800, Shift 0x200, Command 0x100;
// every other bit is dropped. Global hot keys register with this value.
std::int64_t convertModifierToKey(std::int64_t flags);

// The modifiers present, by their Linux names in the order Ctrl, Alt, Shift, Super, joined by "+":
// "Ctrl+Alt". Empty for -1 and when none of the four is present.
std::string modifierFlagsString(std::int64_t flags);

// The Linux name of a virtual key code ("V", "F5", "Return", "Backspace", "Delete", "Page Up"); nothing
// for a code without one (the modifier keys) and for any code outside 0 to 126.
std::optional<std::string> keyCodeString(std::int64_t code);

// What menus, the recorder and the shortcuts pane show for a press: the modifiers, then the key,
// joined by "+" ("Ctrl+Alt+V", "Shift+↑", "Alt+Return"). Empty for the cleared press (-1, -1).
std::string shortcutDisplayString(std::int64_t flags, std::int64_t code);

}  // namespace vl
