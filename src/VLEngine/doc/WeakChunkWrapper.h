#pragma once

#include <memory>

#include "VLEngine/doc/Vellisto_Chunk.h"

namespace vl {

// One entry of a recent list. It holds its record weakly, so a record that leaves its doc also leaves
// every recent list without anyone having to find it there.
class WeakChunkWrapper {
 public:
  // A wrapper of the record, which also becomes the record's own wrapper (its `sortedWeak`).
  static std::shared_ptr<WeakChunkWrapper> ofChunk(const std::shared_ptr<Vellisto_Chunk>& chunk) {
    auto wrapper = std::make_shared<WeakChunkWrapper>();
    wrapper->weakChunk_ = chunk;
    if (chunk) chunk->setWeakSorted(wrapper);
    return wrapper;
  }

  std::shared_ptr<Vellisto_Chunk> weakChunk() const { return weakChunk_.lock(); }

 private:
  std::weak_ptr<Vellisto_Chunk> weakChunk_;
};

}  // namespace vl
