#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "VLEngine/search/Vellisto_TempFile.h"

namespace vl {

class Vellisto_Chunk;

// Merges match lists. Every operation is optional: the defaults answer nullptr ("not handled").
class Vellisto_MergeDelegate {
 public:
  using Chunks = std::vector<std::shared_ptr<Vellisto_Chunk>>;

  virtual ~Vellisto_MergeDelegate() = default;
  // All matches, lowest priority first.
  virtual std::shared_ptr<Vellisto_TempFile> mergingOrderByPriority(const Vellisto_TempFiles& files) {
    (void)files;
    return nullptr;
  }
  // The same for lists nobody else holds, which the merger may take apart.
  virtual std::shared_ptr<Vellisto_TempFile> mergingOrderByPriority(Vellisto_TempFiles&& files) {
    return mergingOrderByPriority(static_cast<const Vellisto_TempFiles&>(files));
  }
  // The first `count` matches in priority order (all of them by default): what a display that makes
  // at most `count` rows needs of a search's answers.
  virtual std::shared_ptr<Vellisto_TempFile> mergingOrderByPriorityFirst(Vellisto_TempFiles&& files,
                                                                         std::size_t count) {
    (void)count;
    return mergingOrderByPriority(std::move(files));
  }
  // All matches newest first, cut to the first 24.
  virtual std::shared_ptr<Vellisto_TempFile> mergingOrderByTimestamp(const Vellisto_TempFiles& files) {
    (void)files;
    return nullptr;
  }
  // The newest 24 records strictly earlier than `timestamp`, newest first, application records only
  // with `applications`. The caller holds the lock of the records' doc.
  virtual std::shared_ptr<Vellisto_TempFile> mergingByChunks(const Chunks& chunks, double timestamp,
                                                             bool applications) {
    (void)chunks;
    (void)timestamp;
    (void)applications;
    return nullptr;
  }
};

}  // namespace vl
