#include "VLEngine/search/Vellisto_Index.h"

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/search/SearchQuery.h"

namespace vl {

std::vector<Range> Vellisto_Index::rangeList() const {
  if (rangeList_) return *rangeList_;
  if (!rangeQuery_ || !chunkRef_) return {};
  std::optional<SearchQuery::TextMatch> match = rangeQuery_->matchText(chunkRef_->context());
  return match ? std::move(match->ranges) : std::vector<Range>();
}

}  // namespace vl
