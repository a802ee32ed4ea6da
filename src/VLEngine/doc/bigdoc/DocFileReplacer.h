#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vl {

// Replaces a doc file as a whole: the new bytes go to a temporary beside it, are synced, and are renamed
// over the doc, so a crash leaves either the old or the new doc and never half of one.
//
// The temporary is named "." + doc name + "-" + random hex + ".partial": a folder listing of docs (names
// starting with "BigDoc") and the promoter of ".tmp" files both pass it by.
class DocFileReplacer {
 public:
  // False (logged) when the doc was left as it was.
  [[nodiscard]] static bool replace(const std::string& path, std::string_view data);
  static bool isTemporaryName(std::string_view name);
  // Keeps a file that only this process can still explain (a damaged doc before it is replaced, a
  // damaged journal before it is removed) aside, as "damaged-<name>-<time>", which no listing picks up: a
  // hard link, else a copy.
  static void keepDamagedCopy(const std::string& path);
  // Removes temporaries that a crash left in `folder`; call only while no doc of the folder writes.
  static void removeStaleTemporaries(const std::string& folder);

  // Runs after the temporary is complete and before the rename; answering false stops there as a crash
  // would, leaving the temporary behind. nullptr removes the hook.
  using BeforeRenameHook = std::function<bool(const std::string& temporaryPath, const std::string& path)>;
  static void setBeforeRenameHookForTesting(BeforeRenameHook hook);
};

}  // namespace vl
