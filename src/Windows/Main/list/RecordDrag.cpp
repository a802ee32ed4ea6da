#include "Windows/Main/list/RecordDrag.h"

#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/SearchInput2.h"

namespace vl {

std::vector<PasteboardItem> dragItems(const DisplayRows& rows) {
  std::vector<PasteboardItem> items;
  for (const auto& row : rows) {
    if (!row) continue;
    const std::optional<Json>& json = row->json();
    PasteboardItem item = SearchInput2::pasteboardItem(row->string(), json, true);
    const bool text = !IndexHelper::isFile(json) && !IndexHelper::isImage(json);
    if (text && json && json->is_object()) {
      auto html = json->find("html");
      if (html != json->end() && html->is_string() && !html->get<std::string>().empty())
        item.setString(kPasteboardTypeHTML, html->get<std::string>());
    }
    if (!item.empty()) items.push_back(std::move(item));
  }
  return items;
}

}  // namespace vl
