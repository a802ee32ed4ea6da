#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/foundation/Json.h"

namespace vl {

// One key press: modifier flags (bits 16-31 of a key event) and a virtual key code. (-1, -1) is the
// cleared press.
struct VLShortcutValue {
  std::int64_t modifierFlags = -1;
  std::int64_t keyCode = -1;

  static VLShortcutValue ofModifierFlags(std::int64_t flags, std::int64_t code) { return {flags, code}; }
  static VLShortcutValue empty() { return {}; }
  bool isEmpty() const { return modifierFlags == -1 && keyCode == -1; }
  bool operator==(const VLShortcutValue&) const = default;

  // The stored form, {"modifier", "code"}.
  Json toJson() const;
  // A stored entry: both fields present, integers, and in range (flags only in bits 16-31, a code
  // from 0 to 127; or the cleared press). Anything else is nothing, with a log line naming `name`.
  static std::optional<VLShortcutValue> fromJson(const std::string& name, const Json& entry);
  // The same without the log line, for readers that see every key press; `why` gets the reason.
  static std::optional<VLShortcutValue> parse(const Json& entry, std::string* why = nullptr);
};

// A named in-window command and its press. The current press lives in settings key 108 under the
// name; while the name has no usable entry the press is the built-in one.
class VLShortcut {
 public:
  VLShortcut(std::string key, std::string explain) : key_(std::move(key)), explain_(std::move(explain)) {}

  // Takes the name's press from `stored` (settings key 108 as read), or puts the built-in one there when
  // the name has none; true when `stored` changed and must be written.
  bool setDefaultShortcutValue(const VLShortcutValue& value, Json& stored);
  const VLShortcutValue& defaultShortcutValue() const { return default_; }
  // Stores the press under the name and makes it current.
  void setShortcutValue(const VLShortcutValue& value);
  // Makes the built-in press current and puts it in `stored`, for the caller to write.
  void restoreDefault(Json& stored);
  const VLShortcutValue& shortcutValue() const { return current_ ? *current_ : default_; }
  bool shortcutValueEqual(const VLShortcut& other) const { return shortcutValue() == other.shortcutValue(); }
  // "Ctrl+Alt+V"; empty for the cleared press.
  std::string getDisplay() const;

  const std::string& key() const { return key_; }
  const std::string& explain() const { return explain_; }
  bool isConflict() const { return isConflict_; }
  void setConflict(bool conflict) { isConflict_ = conflict; }

 private:
  std::string key_;
  std::string explain_;
  VLShortcutValue default_;
  std::optional<VLShortcutValue> current_;
  bool isConflict_ = false;
};

// The stored named shortcuts of settings key 108 as a dictionary; anything else reads as an empty one
// (with a log line).
Json storedShortcutDictionary();
void storeShortcutDictionary(const Json& stored);

}  // namespace vl
