#include "shortcuts/VLShortcutCenter.h"

#include <memory>
#include <string_view>

#include "platform/foundation/Localization.h"
#include "shortcuts/ShortcutKeys.h"

namespace vl {

namespace {

using namespace modifier;

struct Row {
  const char* name;
  std::int64_t flags;
  std::int64_t code;
};

constexpr Row kClipboardHistory[] = {
    {"historyUp", kArrow, 126},
    {"historyDown", kArrow, 125},
    {"multiHistoryUp", kArrow | kShift, 126},
    {"multiHistoryDown", kArrow | kShift, 125},
    {"historyDel", kCommand, 51},
    {"historySelect", 0, 36},
    {"historySearch", kCommand, 36},
    {"historyFilePreview", kShift, 56},  // the left Shift key alone
    {"previewAcitve", kShift, 36},
    {"historyActive", kArrow | kCommand, 125},
    {"richText", kControl, 36},
    {"fullMode", kCommand, 3},
};

constexpr Row kThinkingBar[] = {
    {"thinkingBarSelect1", kCommand, 18},
    {"thinkingBarSelect2", kCommand, 19},
    {"thinkingBarSelect3", kCommand, 20},
    {"thinkingBarSelect4", kCommand, 21},
    {"thinkingBarSelect5", kCommand, 23},
    {"thinkingBarSelect6", kCommand, 22},
    {"thinkingBarSelect7", kCommand, 26},
    {"thinkingBarSelect8", kCommand, 28},
    {"thinkingBarSelect9", kCommand, 25},
    // No press of their own elsewhere: Ctrl+Up mirrors Ctrl+Down (back to the list), and the arrows act
    // only while the bar holds the keyboard, so the search field keeps them otherwise.
    {"thinkingBarActive", kArrow | kCommand, 126},
    {"searchInputAhead", kArrow, 123},
    {"searchInputEnd", kArrow, 124},
};

constexpr Row kPin[] = {
    {"pinRecord", kCommand, 35},
};

// Built-in presses that land on what a Linux desktop or its text fields already use, and the presses they
// take instead; a name missing here keeps its press above. Only what is not stored yet (a fresh install,
// a new name) and Reset take these: a stored press is never replaced.
constexpr Row kLinuxPresses[] = {
    // Ctrl+Backspace deletes the word before the caret in every text field, the search field included.
    {"historyDel", kOption | kFunction, 117},  // Alt+Delete
    // Super+Return (the other platform's Control) opens a terminal in many window managers.
    {"richText", kOption, 36},  // Alt+Return
};

const Row& defaultPress(const Row& row) {
  for (const Row& moved : kLinuxPresses) {
    if (std::string_view(moved.name) == row.name) return moved;
  }
  return row;
}

// `stored` is settings key 108 as read once for all lists; `changed` tells whether it must be written.
template <std::size_t N>
std::vector<VLShortcut> build(const Row (&rows)[N], Json& stored, bool& changed) {
  std::vector<VLShortcut> list;
  list.reserve(N);
  for (const Row& row : rows) {
    VLShortcut& shortcut =
        list.emplace_back(row.name, localized(std::string("pref.shortcuts.schema.") + row.name));
    const Row& press = defaultPress(row);
    changed |=
        shortcut.setDefaultShortcutValue(VLShortcutValue::ofModifierFlags(press.flags, press.code), stored);
  }
  return list;
}

std::unique_ptr<VLShortcutCenter>& instance() {
  static std::unique_ptr<VLShortcutCenter> center;
  return center;
}

}  // namespace

VLShortcutCenter::VLShortcutCenter() {
  // One read and at most one write of the settings for all 25 names.
  Json stored = storedShortcutDictionary();
  bool changed = false;
  clipboardHistory_ = build(kClipboardHistory, stored, changed);
  thinkingBar_ = build(kThinkingBar, stored, changed);
  pin_ = build(kPin, stored, changed);
  if (changed) storeShortcutDictionary(stored);
  updateAllConflicts();
}

VLShortcutCenter& VLShortcutCenter::defaultCenter() {
  std::unique_ptr<VLShortcutCenter>& center = instance();
  if (!center) center.reset(new VLShortcutCenter());
  return *center;
}

void VLShortcutCenter::resetForTesting() { instance().reset(); }

std::vector<VLShortcut> VLShortcutCenter::conflicts(std::vector<VLShortcut>& group,
                                                    std::vector<VLShortcut>& other1,
                                                    std::vector<VLShortcut>& other2) {
  for (VLShortcut& s : group) s.setConflict(false);
  for (std::size_t i = 0; i < group.size(); ++i) {
    if (group[i].isConflict()) continue;
    for (std::size_t j = i + 1; j < group.size(); ++j) {
      if (group[i].shortcutValueEqual(group[j])) {
        group[i].setConflict(true);
        group[j].setConflict(true);
      }
    }
  }
  for (VLShortcut& s : group) {
    for (const auto* other : {&other1, &other2}) {
      for (const VLShortcut& o : *other) {
        if (s.shortcutValueEqual(o)) s.setConflict(true);
      }
    }
  }
  std::vector<VLShortcut> flagged;
  for (const VLShortcut& s : group) {
    if (s.isConflict()) flagged.push_back(s);
  }
  return flagged;
}

std::vector<VLShortcut> VLShortcutCenter::getConflictClipboardHistory() {
  return conflicts(clipboardHistory_, thinkingBar_, pin_);
}

std::vector<VLShortcut> VLShortcutCenter::getConflictThinkingBar() {
  return conflicts(thinkingBar_, clipboardHistory_, pin_);
}

std::vector<VLShortcut> VLShortcutCenter::getConflictPin() {
  return conflicts(pin_, clipboardHistory_, thinkingBar_);
}

void VLShortcutCenter::updateAllConflicts() {
  getConflictClipboardHistory();
  getConflictThinkingBar();
  getConflictPin();
}

void VLShortcutCenter::restore() {
  Json stored = storedShortcutDictionary();
  for (auto* list : {&clipboardHistory_, &thinkingBar_, &pin_}) {
    for (VLShortcut& s : *list) s.restoreDefault(stored);
  }
  storeShortcutDictionary(stored);
  // The flags are read at every key press; leaving the old ones would keep a cleared conflict alive.
  updateAllConflicts();
}

bool VLShortcutCenter::isConflictKey(const std::string& name) const {
  for (const auto* list : {&clipboardHistory_, &thinkingBar_, &pin_}) {
    for (const VLShortcut& s : *list) {
      if (s.key() == name && s.isConflict()) return true;
    }
  }
  return false;
}

VLShortcut* VLShortcutCenter::getShortcutForKey(const std::string& name) {
  for (auto* list : {&thinkingBar_, &clipboardHistory_, &pin_}) {
    for (VLShortcut& s : *list) {
      if (s.key() == name) return &s;
    }
  }
  return nullptr;
}

}  // namespace vl
