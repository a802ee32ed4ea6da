#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/system/Sound.h"

namespace vl {

// Records what would have played, for tests.
class HeadlessSoundPlayer final : public SoundPlayer {
 public:
  void play(const std::string& path, double volume) override;
  void playAlert() override;

  std::vector<std::pair<std::string, double>> played() const;
  int alerts() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, double>> played_;
  int alerts_ = 0;
};

}  // namespace vl
