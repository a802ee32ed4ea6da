#include "core/FlagsDetect.h"

#include <mutex>

namespace vl {

namespace {

std::mutex& providerMutex() {
  static std::mutex m;
  return m;
}

FlagsDetect::CurrentEventFlags& provider() {
  static FlagsDetect::CurrentEventFlags p;
  return p;
}

std::uint64_t currentFlags() {
  FlagsDetect::CurrentEventFlags p;
  {
    std::lock_guard lock(providerMutex());
    p = provider();
  }
  return p ? p() : 0;
}

}  // namespace

void FlagsDetect::setCurrentEventFlagsProvider(CurrentEventFlags p) {
  std::lock_guard lock(providerMutex());
  provider() = std::move(p);
}

bool FlagsDetect::isCommandOn() { return (currentFlags() & kCommandFlag) != 0; }

bool FlagsDetect::isShiftOn() { return (currentFlags() & kShiftFlag) != 0; }

}  // namespace vl
