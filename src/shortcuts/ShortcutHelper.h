#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

// Names a key press of our windows and offers the name to the window parts registered with the
// LocalShortcutsManager. Main thread only.
class ShortcutHelper {
 public:
  // Whether a stored {"modifier", "code"} entry is this press. An entry that is not a dictionary or
  // lacks an integer field is no press at all, and Caps Lock is ignored on both sides: with the lock
  // on, every press still means what it says.
  static bool equalTo(const Json* entry, std::int64_t modifierFlags, std::int64_t keyCode);
  // The names of a name -> entry dictionary whose entries are this press, in the dictionary's order;
  // none for anything but a dictionary.
  static std::vector<std::string> namesOfPress(const std::optional<Json>& dictionary,
                                               std::int64_t modifierFlags, std::int64_t keyCode);

  // The press is looked up among the fixed names first and offered under its fixed name; when nobody
  // takes that, under its named shortcut, unless two named shortcuts share the press. The settings
  // are read at every press, so a change in the shortcuts pane counts from the next one. True when a
  // receiver took the name. A key code outside the keyboard's (an unknown key) matches nothing.
  static bool dispatchWithModifierFlags(std::int64_t modifierFlags, std::int64_t keyCode);
};

}  // namespace vl
