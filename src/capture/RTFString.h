#pragma once

#include <string>
#include <vector>

#include "platform/system/Pasteboard.h"

namespace vl {

// A text that goes onto the pasteboard as rich text only: the paste road writes a record's RTF source
// through it, so the receiving application gets formatted text and no plain-text rendering of the
// RTF markup.
class RTFString {
 public:
  explicit RTFString(std::string rtf) : string_(std::move(rtf)) {}

  static std::vector<std::string> writableTypesForPasteboard() { return {kPasteboardTypeRTF}; }
  // One pasteboard item with one representation per writable type.
  PasteboardItem pasteboardItem() const;

  const std::string& string() const { return string_; }

 private:
  std::string string_;
};

}  // namespace vl
