#include "platform/system/x11/input/X11KeyMap.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include "platform/ui/view/Event.h"

namespace vl::x11 {

namespace {

struct KeyPair {
  std::uint16_t code;
  KeySym keysym;
};

// The first row for a code is the keysym posted for it; later rows are other keysyms the same key may
// report (the keypad without Num Lock, Alt Gr layouts).
constexpr KeyPair kKeys[] = {
    {0, XK_a},
    {1, XK_s},
    {2, XK_d},
    {3, XK_f},
    {4, XK_h},
    {5, XK_g},
    {6, XK_z},
    {7, XK_x},
    {8, XK_c},
    {9, XK_v},
    {11, XK_b},
    {12, XK_q},
    {13, XK_w},
    {14, XK_e},
    {15, XK_r},
    {16, XK_y},
    {17, XK_t},
    {18, XK_1},
    {19, XK_2},
    {20, XK_3},
    {21, XK_4},
    {22, XK_6},
    {23, XK_5},
    {24, XK_equal},
    {25, XK_9},
    {26, XK_7},
    {27, XK_minus},
    {28, XK_8},
    {29, XK_0},
    {30, XK_bracketright},
    {31, XK_o},
    {32, XK_u},
    {33, XK_bracketleft},
    {34, XK_i},
    {35, XK_p},
    {36, XK_Return},
    {37, XK_l},
    {38, XK_j},
    {39, XK_apostrophe},
    {40, XK_k},
    {41, XK_semicolon},
    {42, XK_backslash},
    {43, XK_comma},
    {44, XK_slash},
    {45, XK_n},
    {46, XK_m},
    {47, XK_period},
    {48, XK_Tab},
    {49, XK_space},
    {50, XK_grave},
    {51, XK_BackSpace},
    {53, XK_Escape},
    {54, XK_Control_R},
    {55, XK_Control_L},
    {56, XK_Shift_L},
    {57, XK_Caps_Lock},
    {58, XK_Alt_L},
    {59, XK_Super_L},
    {60, XK_Shift_R},
    {61, XK_Alt_R},
    {62, XK_Super_R},
    {65, XK_KP_Decimal},
    {67, XK_KP_Multiply},
    {69, XK_KP_Add},
    {71, XK_Num_Lock},
    {75, XK_KP_Divide},
    {76, XK_KP_Enter},
    {78, XK_KP_Subtract},
    {81, XK_KP_Equal},
    {82, XK_KP_0},
    {83, XK_KP_1},
    {84, XK_KP_2},
    {85, XK_KP_3},
    {86, XK_KP_4},
    {87, XK_KP_5},
    {88, XK_KP_6},
    {89, XK_KP_7},
    {91, XK_KP_8},
    {92, XK_KP_9},
    {96, XK_F5},
    {97, XK_F6},
    {98, XK_F7},
    {99, XK_F3},
    {100, XK_F8},
    {101, XK_F9},
    {103, XK_F11},
    {109, XK_F10},
    {111, XK_F12},
    {114, XK_Insert},
    {115, XK_Home},
    {116, XK_Prior},
    {117, XK_Delete},
    {118, XK_F4},
    {119, XK_End},
    {120, XK_F2},
    {121, XK_Next},
    {122, XK_F1},
    {123, XK_Left},
    {124, XK_Right},
    {125, XK_Down},
    {126, XK_Up},
    // Other names of the same keys.
    {58, XK_Meta_L},
    {61, XK_ISO_Level3_Shift},
    {61, XK_Meta_R},
    {36, XK_ISO_Enter},
    {65, XK_KP_Delete},
    {82, XK_KP_Insert},
    {83, XK_KP_End},
    {84, XK_KP_Down},
    {85, XK_KP_Next},
    {86, XK_KP_Left},
    {87, XK_KP_Begin},
    {88, XK_KP_Right},
    {89, XK_KP_Home},
    {91, XK_KP_Up},
    {92, XK_KP_Prior},
    {48, XK_ISO_Left_Tab},
};

}  // namespace

std::optional<KeySym> keysymForKeyCode(std::uint16_t keyCode) {
  for (const auto& k : kKeys) {
    if (k.code == keyCode) return k.keysym;
  }
  return std::nullopt;
}

std::optional<std::uint16_t> keyCodeForKeysym(KeySym keysym) {
  // Letters arrive in upper case when a layout puts the capital at level 0.
  if (keysym >= XK_A && keysym <= XK_Z) keysym += XK_a - XK_A;
  for (const auto& k : kKeys) {
    if (k.keysym == keysym) return k.code;
  }
  return std::nullopt;
}

std::optional<std::uint16_t> keyCodeForX(Display* display, unsigned int xKeyCode) {
  const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(xKeyCode), 0, 0);
  if (keysym == NoSymbol) return std::nullopt;
  return keyCodeForKeysym(keysym);
}

unsigned int xKeyCodeFor(Display* display, std::uint16_t keyCode) {
  const auto keysym = keysymForKeyCode(keyCode);
  return keysym ? XKeysymToKeycode(display, *keysym) : 0;
}

std::uint64_t flagsForState(unsigned int state) {
  using namespace ui::ModifierFlags;
  std::uint64_t flags = 0;
  if (state & ShiftMask) flags |= Shift;
  if (state & ControlMask) flags |= Command;
  if (state & Mod1Mask) flags |= Option;
  if (state & Mod4Mask) flags |= Control;
  if (state & LockMask) flags |= CapsLock;
  return flags;
}

unsigned int stateForFlags(std::uint64_t modifierFlags) {
  using namespace ui::ModifierFlags;
  unsigned int state = 0;
  if (modifierFlags & Shift) state |= ShiftMask;
  if (modifierFlags & Command) state |= ControlMask;
  if (modifierFlags & Option) state |= Mod1Mask;
  if (modifierFlags & Control) state |= Mod4Mask;
  return state;
}

std::uint64_t flagForModifierKey(std::uint16_t keyCode) {
  using namespace ui::ModifierFlags;
  switch (keyCode) {
    case ui::KeyCode::Command:
    case ui::KeyCode::RightCommand:
      return Command;
    case ui::KeyCode::Shift:
    case ui::KeyCode::RightShift:
      return Shift;
    case ui::KeyCode::Option:
    case ui::KeyCode::RightOption:
      return Option;
    case ui::KeyCode::Control:
    case ui::KeyCode::RightControl:
      return Control;
    default:
      return 0;
  }
}

}  // namespace vl::x11
