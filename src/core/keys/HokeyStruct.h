#pragma once

#include <cstdint>

namespace vl {

// A global hot key as the settings store keeps it: modifier flag bits and virtual key code of the
// key combination, the hot key's id, and whether it stands for a double tap of the modifier instead.
struct HokeyStruct {
  std::int64_t modifierFlags = -1;
  std::int64_t keyCode = -1;
  std::int64_t hotKeyID = -1;
  bool doubleTap = false;

  // The value of a key that holds nothing: {-1, -1, -1, NO}.
  static constexpr HokeyStruct empty() { return HokeyStruct{}; }
  bool isEmpty() const { return *this == empty(); }
  bool operator==(const HokeyStruct&) const = default;
};

}  // namespace vl
