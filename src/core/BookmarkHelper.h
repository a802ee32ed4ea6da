#pragma once

#include <string>
#include <vector>

namespace vl {

// Access to folders the user granted. Here a grant's bookmark is the folder's path and the program
// may read it whenever file permissions allow, so starting and stopping access have nothing to open;
// they still read settings key 109, so a malformed value shows up where callers expect it.
class BookmarkHelper {
 public:
  static void batchStartAccessingSecurityScopedResource();
  static void batchStopAccessingSecurityScopedResource();
  // The granted folders: the text entries of key 109's "bookmarkDataList", oldest first; anything
  // else stored there is skipped.
  static std::vector<std::string> bookmarkedFolders();
};

}  // namespace vl
