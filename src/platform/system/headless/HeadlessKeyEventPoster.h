#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/system/KeyEventPoster.h"

namespace vl {

// Records the key events instead of posting them, for tests of whoever pastes.
class HeadlessKeyEventPoster final : public KeyEventPoster {
 public:
  struct PostedKey {
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
    bool keyDown = false;
    bool operator==(const PostedKey&) const = default;
  };

  bool isAccessibilityTrusted() const override;
  [[nodiscard]] bool postKeyEvent(std::uint16_t keyCode, std::uint64_t modifierFlags, bool keyDown) override;

  // Trusted by default: a headless run can always "post".
  void setAccessibilityTrusted(bool trusted);
  std::vector<PostedKey> postedKeys() const;
  void clearPostedKeys();

 private:
  mutable std::mutex mutex_;
  bool trusted_ = true;
  std::vector<PostedKey> posted_;
};

}  // namespace vl
