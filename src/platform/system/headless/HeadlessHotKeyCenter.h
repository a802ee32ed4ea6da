#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <utility>

#include "platform/system/HotKeyCenter.h"

namespace vl {

// Hot keys without a desktop: tests press combinations by hand and play other applications that hold
// a combination.
class HeadlessHotKeyCenter final : public HotKeyCenter {
 public:
  // The user pressed this combination somewhere; handlers run on the main queue.
  void simulatePress(std::uint16_t keyCode, std::uint64_t modifierFlags);
  // Another application holds the combination, so registering it fails.
  void setHeldByOtherApplication(std::uint16_t keyCode, std::uint64_t modifierFlags, bool held = true);
  // Combinations taken from the desktop right now.
  std::set<std::pair<std::uint16_t, std::uint64_t>> grabbedCombinations() const;

 protected:
  [[nodiscard]] bool grabCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) override;
  void releaseCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) override;

 private:
  mutable std::mutex headlessMutex_;
  std::set<std::pair<std::uint16_t, std::uint64_t>> heldElsewhere_;
  std::set<std::pair<std::uint16_t, std::uint64_t>> grabbed_;
};

}  // namespace vl
