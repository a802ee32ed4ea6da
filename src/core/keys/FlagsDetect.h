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

  // Stands in for the application's current event (tests). Without one the flags are those of the event
  // the application is handling on the main thread, none elsewhere.
  using CurrentEventFlags = std::function<std::uint64_t()>;
  static void setCurrentEventFlagsProvider(CurrentEventFlags provider);

  static bool isCommandOn();
  static bool isShiftOn();
};

}  // namespace vl
