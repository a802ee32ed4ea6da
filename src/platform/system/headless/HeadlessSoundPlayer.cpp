#include "platform/system/headless/HeadlessSoundPlayer.h"

namespace vl {

void HeadlessSoundPlayer::play(const std::string& path, double volume) {
  std::lock_guard lock(mutex_);
  played_.emplace_back(path, volume);
}

void HeadlessSoundPlayer::playAlert() {
  std::lock_guard lock(mutex_);
  ++alerts_;
}

std::vector<std::pair<std::string, double>> HeadlessSoundPlayer::played() const {
  std::lock_guard lock(mutex_);
  return played_;
}

int HeadlessSoundPlayer::alerts() const {
  std::lock_guard lock(mutex_);
  return alerts_;
}

}  // namespace vl
