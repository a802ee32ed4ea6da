#pragma once

#include <cstddef>

#include "VLEngine/search/Vellisto_MergeDelegate.h"

namespace vl {

class Vellisto_DefaultMerge : public Vellisto_MergeDelegate {
 public:
  // Listings keep this many records.
  static constexpr std::size_t kListingSize = 24;

  // Lists that are already in priority order (what every doc answers) are merged, not re-sorted.
  std::shared_ptr<Vellisto_TempFile> mergingOrderByPriority(const Vellisto_TempFiles& files) override;
  // Moves the matches out of lists held only by `files`.
  std::shared_ptr<Vellisto_TempFile> mergingOrderByPriority(Vellisto_TempFiles&& files) override;
  std::shared_ptr<Vellisto_TempFile> mergingOrderByPriorityFirst(Vellisto_TempFiles&& files,
                                                                 std::size_t count) override;
  std::shared_ptr<Vellisto_TempFile> mergingOrderByTimestamp(const Vellisto_TempFiles& files) override;
  std::shared_ptr<Vellisto_TempFile> mergingByChunks(const Chunks& chunks, double timestamp,
                                                     bool applications) override;
};

}  // namespace vl
