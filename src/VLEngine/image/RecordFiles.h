#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

class Vellisto_Chunk;

// What a record keeps beside its text: its image's copy in the program's own file, web or forever folder,
// and the decoded thumbnails of every image it names in the image cache. A record that leaves the store
// takes them along, unless another record still names the same file (a pinned copy or a snippet made
// from it carries the same json); a user's own file (an image copied by path, a copied file) is never
// touched.
class RecordFiles {
 public:
  // Removes them on a global queue; the record has left its doc already.
  static void recordDidLeave(const std::shared_ptr<Vellisto_Chunk>& chunk);
  // Waits until every removal asked for so far has run (tests, quit).
  static void waitForPendingRemovals();

  // The json image values whose files are ours to remove, for a record with this json, given the
  // store's file, web and forever folders: only files inside them.
  static std::vector<std::string> ownedCopies(const Json& json, const std::string& fileFolder,
                                              const std::string& webFolder, const std::string& foreverFolder);
};

}  // namespace vl
