#pragma once

namespace vl {

class Vellisto_Chunk;

// An element of a matcher's chain: it may claim a record and then keep it out of the results.
// Called on the search queues with the record's doc locked.
class CustomSearchingDelegate {
 public:
  virtual ~CustomSearchingDelegate() = default;
  // Whether this element is responsible for the record.
  virtual bool matched(const Vellisto_Chunk& chunk) = 0;
  // Whether the record is left out of the results.
  virtual bool needDrop(const Vellisto_Chunk& chunk) = 0;
};

}  // namespace vl
