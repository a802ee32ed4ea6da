#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "VLEngine/search/CaseFoldScan.h"
#include "platform/foundation/Text.h"

namespace vl {

class SearchQuery;
class Vellisto_Chunk;

// One match of a task in a doc: the record, where it ranks and what to highlight.
class Vellisto_Index {
 public:
  // Priority 0, type 0, time stamp 0.
  Vellisto_Index() = default;
  Vellisto_Index(double priority, std::int32_t type, double timestamp)
      : type_(type), priority_(priority), timestamp_(timestamp) {}
  static Vellisto_Index initWithPriority(double priority, std::int32_t type, double timestamp) {
    return Vellisto_Index(priority, type, timestamp);
  }

  std::int32_t type() const { return type_; }
  void setType(std::int32_t type) { type_ = type; }
  // Lower ranks first.
  double priority() const { return priority_; }
  void setPriority(double priority) { priority_ = priority; }
  double timestamp() const { return timestamp_; }
  void setTimestamp(double timestamp) { timestamp_ = timestamp; }
  // UTF-16 ranges of the record's text; absent for alias and recognised-text matches and listings.
  //
  // A search ranks every match but shows at most a thousand, so a text match only notes its query and
  // the ranges are found when they are asked for (with the record's doc locked, as for any read of
  // the record). Set ranges are shared between the copies a merge makes.
  bool hasRangeList() const { return rangeList_ != nullptr || rangeQuery_ != nullptr; }
  std::vector<Range> rangeList() const;
  void setRangeList(std::vector<Range> ranges) {
    rangeList_ = std::make_shared<const std::vector<Range>>(std::move(ranges));
    rangeQuery_.reset();
  }
  // The ranges are those of `query` in the record's text.
  void setRangeQuery(std::shared_ptr<const SearchQuery> query) {
    rangeQuery_ = std::move(query);
    rangeList_.reset();
  }
  // The query whose ranges the list holds, when they are found on demand.
  const std::shared_ptr<const SearchQuery>& rangeQuery() const { return rangeQuery_; }
  // Where in the record's text the query's first match starts; the text's start when not known. The
  // next, narrower search starts its scan of the record there (SearchQuery::hintsFrom).
  TextPosition firstMatchStart() const { return firstMatchStart_; }
  void setFirstMatchStart(TextPosition start) { firstMatchStart_ = start; }
  const std::shared_ptr<Vellisto_Chunk>& chunkRef() const { return chunkRef_; }
  void setChunkRef(std::shared_ptr<Vellisto_Chunk> chunk) { chunkRef_ = std::move(chunk); }

 private:
  std::int32_t type_ = 0;
  TextPosition firstMatchStart_;
  double priority_ = 0;
  double timestamp_ = 0;
  std::shared_ptr<const std::vector<Range>> rangeList_;
  std::shared_ptr<const SearchQuery> rangeQuery_;
  std::shared_ptr<Vellisto_Chunk> chunkRef_;
};

}  // namespace vl
