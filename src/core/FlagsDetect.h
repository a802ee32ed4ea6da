#pragma once

#include <cstdint>
#include <functional>

namespace vl {

// Whether Command or Shift is held in the event being handled (the record list extends its selection
// with them).
class FlagsDetect {
 public:
  static constexpr std::uint64_t kCommandFlag = 1ull << 20;
  static constexpr std::uint64_t kShiftFlag = 1ull << 17;

  // The modifier flags of the application's current event; installed by the UI toolkit's event loop.
  // Without one there is no current event and no modifier is on.
  using CurrentEventFlags = std::function<std::uint64_t()>;
  static void setCurrentEventFlagsProvider(CurrentEventFlags provider);

  static bool isCommandOn();
  static bool isShiftOn();
};

}  // namespace vl
