#include "platform/system/headless/HeadlessHotKeyCenter.h"

namespace vl {

void HeadlessHotKeyCenter::simulatePress(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  {
    std::lock_guard lock(headlessMutex_);
    if (!grabbed_.count({keyCode, significantFlags(modifierFlags)})) return;
  }
  deliverPress(keyCode, modifierFlags);
}

void HeadlessHotKeyCenter::setHeldByOtherApplication(std::uint16_t keyCode, std::uint64_t modifierFlags,
                                                     bool held) {
  std::lock_guard lock(headlessMutex_);
  const auto combination = std::make_pair(keyCode, significantFlags(modifierFlags));
  if (held) {
    heldElsewhere_.insert(combination);
  } else {
    heldElsewhere_.erase(combination);
  }
}

std::set<std::pair<std::uint16_t, std::uint64_t>> HeadlessHotKeyCenter::grabbedCombinations() const {
  std::lock_guard lock(headlessMutex_);
  return grabbed_;
}

bool HeadlessHotKeyCenter::grabCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  std::lock_guard lock(headlessMutex_);
  if (heldElsewhere_.count({keyCode, modifierFlags})) return false;
  grabbed_.insert({keyCode, modifierFlags});
  return true;
}

void HeadlessHotKeyCenter::releaseCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  std::lock_guard lock(headlessMutex_);
  grabbed_.erase({keyCode, modifierFlags});
}

}  // namespace vl
