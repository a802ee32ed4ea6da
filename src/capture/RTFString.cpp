#include "capture/RTFString.h"

namespace vl {

PasteboardItem RTFString::pasteboardItem() const {
  PasteboardItem item;
  for (const auto& type : writableTypesForPasteboard()) item.setData(type, string_);
  return item;
}

}  // namespace vl
