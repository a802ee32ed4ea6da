#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "platform/foundation/Mutex.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/x11/X11Display.h"

namespace vl {

// Synthetic keys through the XTEST extension: they reach the focused window as if typed. Without XTEST
// the program is not trusted to post keys and nothing is posted.
class X11KeyPoster final : public KeyEventPoster {
 public:
  // nullptr (logged) when the display cannot be opened.
  static std::shared_ptr<X11KeyPoster> create(const std::string& displayName);

  bool isAccessibilityTrusted() const override { return hasXTest_; }
  [[nodiscard]] bool postKeyEvent(std::uint16_t keyCode, std::uint64_t modifierFlags, bool keyDown) override;

 private:
  X11KeyPoster(std::unique_ptr<x11::X11Display> display, bool hasXTest)
      : display_(std::move(display)), hasXTest_(hasXTest) {}
  // Makes the modifiers held on the keyboard exactly `modifierFlags`: a key-down must not pick up a
  // Shift the user still holds from the hot key that started the paste.
  void setModifiers(std::uint64_t modifierFlags) VL_REQUIRES(mutex_);

  // Used under mutex_.
  std::unique_ptr<x11::X11Display> display_;
  bool hasXTest_;
  Mutex mutex_;
  // Modifier keys this poster pressed and has not released yet.
  std::set<unsigned int> pressed_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
