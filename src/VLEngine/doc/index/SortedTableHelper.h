#pragma once

#include <memory>
#include <string>

namespace vl {

class Vellisto_Chunk;

class SortedTableHelper {
 public:
  // A record arrived in the tab: sets the tab's one-shot new-arrival flag and, when the tab's recent
  // list is shown (not empty), moves the record to its front. Nothing for an empty identifier, an
  // unknown tab or no record.
  static void notify(const std::string& pinTabId, const std::shared_ptr<Vellisto_Chunk>& chunk,
                     bool newArrived);
};

}  // namespace vl
