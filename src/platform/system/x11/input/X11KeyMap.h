#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>

namespace vl::x11 {

// Between X keys and the virtual key codes and modifier flags that stored shortcuts use. Keys are
// matched by their unshifted keysym, so a shortcut follows the letter printed on the key. Ctrl stands
// for Command, Super for Control, Alt for Option.
std::optional<KeySym> keysymForKeyCode(std::uint16_t keyCode);
std::optional<std::uint16_t> keyCodeForKeysym(KeySym keysym);
// The virtual key code of a hardware key code, read at level 0 of the first group.
std::optional<std::uint16_t> keyCodeForX(Display* display, unsigned int xKeyCode);
// The hardware key code that types the keysym of a virtual key code; 0 when the keyboard has none.
unsigned int xKeyCodeFor(Display* display, std::uint16_t keyCode);

// Modifier flags from an X modifier state (ShiftMask, ControlMask, Mod1Mask, Mod4Mask, LockMask).
std::uint64_t flagsForState(unsigned int state);
// The X modifier mask of the significant flags (Shift, Control, Option, Command).
unsigned int stateForFlags(std::uint64_t modifierFlags);
// The modifier flag a modifier key stands for (Command for the Ctrl keys ...); 0 for other keys.
std::uint64_t flagForModifierKey(std::uint16_t keyCode);

}  // namespace vl::x11
