#pragma once

#include <cstdint>
#include <memory>

namespace vl {

// Posts synthetic key events to whatever window has the keyboard focus, in the terms of stored
// shortcuts: virtual key codes and modifier flag bits (vl::ui::KeyCode, vl::ui::ModifierFlags).
// A backend is installed once at start; headless by default. A paste goes through
// pasteIntoPreviousWindow (PasteRoad.h), which gives the focus back first.
class KeyEventPoster {
 public:
  virtual ~KeyEventPoster() = default;

  static std::shared_ptr<KeyEventPoster> shared();
  // nullptr goes back to a fresh headless poster.
  static void install(std::shared_ptr<KeyEventPoster> backend);

  // Whether this program may post key events to other applications at all.
  virtual bool isAccessibilityTrusted() const = 0;
  // One key going down or up with the given modifiers held. False when the key has no equivalent on
  // this keyboard or nothing could be posted.
  [[nodiscard]] virtual bool postKeyEvent(std::uint16_t keyCode, std::uint64_t modifierFlags,
                                          bool keyDown) = 0;
};

}  // namespace vl
