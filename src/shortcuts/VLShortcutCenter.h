#pragma once

#include <string>
#include <vector>

#include "shortcuts/VLShortcut.h"

namespace vl {

// The 25 named in-window shortcuts the user may change, in three groups. Built, seeded into settings
// key 108 and checked for conflicts when the centre is first used (at start-up), so a key press never
// waits for it and the conflict flags are right before the shortcuts pane opens. Main thread only.
class VLShortcutCenter {
 public:
  static VLShortcutCenter& defaultCenter();
  // The next defaultCenter() builds the lists again from the current settings store.
  static void resetForTesting();

  std::vector<VLShortcut>& clipboardHistory() { return clipboardHistory_; }
  std::vector<VLShortcut>& thinkingBar() { return thinkingBar_; }
  std::vector<VLShortcut>& pin() { return pin_; }

  // Each recomputes the flags of its group (against itself and the other two groups) and returns the
  // group's flagged shortcuts; the other groups' flags are left alone. Calling all three leaves every
  // flag right.
  std::vector<VLShortcut> getConflictClipboardHistory();
  std::vector<VLShortcut> getConflictThinkingBar();
  std::vector<VLShortcut> getConflictPin();
  void updateAllConflicts();

  // Every shortcut back to its built-in press (stored); the conflict flags are recomputed.
  void restore();
  bool isConflictKey(const std::string& name) const;
  // Searched in the order thinking bar, clipboard history, pin; nullptr for a name we lack.
  VLShortcut* getShortcutForKey(const std::string& name);

 private:
  VLShortcutCenter();
  std::vector<VLShortcut> conflicts(std::vector<VLShortcut>& group, std::vector<VLShortcut>& other1,
                                    std::vector<VLShortcut>& other2);

  std::vector<VLShortcut> clipboardHistory_;
  std::vector<VLShortcut> thinkingBar_;
  std::vector<VLShortcut> pin_;
};

}  // namespace vl
