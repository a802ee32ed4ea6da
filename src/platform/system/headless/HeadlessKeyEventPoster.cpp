#include "platform/system/headless/HeadlessKeyEventPoster.h"

namespace vl {

bool HeadlessKeyEventPoster::isAccessibilityTrusted() const {
  std::lock_guard lock(mutex_);
  return trusted_;
}

bool HeadlessKeyEventPoster::postKeyEvent(std::uint16_t keyCode, std::uint64_t modifierFlags, bool keyDown) {
  std::lock_guard lock(mutex_);
  if (!trusted_) return false;
  posted_.push_back({keyCode, modifierFlags, keyDown});
  return true;
}

void HeadlessKeyEventPoster::setAccessibilityTrusted(bool trusted) {
  std::lock_guard lock(mutex_);
  trusted_ = trusted;
}

std::vector<HeadlessKeyEventPoster::PostedKey> HeadlessKeyEventPoster::postedKeys() const {
  std::lock_guard lock(mutex_);
  return posted_;
}

void HeadlessKeyEventPoster::clearPostedKeys() {
  std::lock_guard lock(mutex_);
  posted_.clear();
}

}  // namespace vl
