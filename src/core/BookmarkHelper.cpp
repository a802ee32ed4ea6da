#include "core/BookmarkHelper.h"

#include "core/VLConfig.h"

namespace vl {

std::vector<std::string> BookmarkHelper::bookmarkedFolders() {
  std::vector<std::string> folders;
  std::optional<Json> stored = VLConfig::shared().getValueOfKey(VLConfig::kBookmarks);
  if (!stored || !stored->is_object()) return folders;
  auto list = stored->find("bookmarkDataList");
  if (list == stored->end() || !list->is_array()) return folders;
  for (const Json& entry : *list) {
    if (entry.is_string() && !entry.get_ref<const std::string&>().empty())
      folders.push_back(entry.get<std::string>());
  }
  return folders;
}

void BookmarkHelper::batchStartAccessingSecurityScopedResource() { (void)bookmarkedFolders(); }

void BookmarkHelper::batchStopAccessingSecurityScopedResource() { (void)bookmarkedFolders(); }

}  // namespace vl
