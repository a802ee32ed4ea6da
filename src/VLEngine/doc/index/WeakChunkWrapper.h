#pragma once

#include <memory>

#include "VLEngine/doc/record/Vellisto_Chunk.h"

namespace vl {

// One entry of a recent list. It holds its record weakly, so a record that leaves its doc also leaves
// every recent list without anyone having to find it there.
class WeakChunkWrapper {
 public:
  static std::shared_ptr<WeakChunkWrapper> ofChunk(const std::shared_ptr<Vellisto_Chunk>& chunk) {
    auto wrapper = std::make_shared<WeakChunkWrapper>();
    wrapper->weakChunk_ = chunk;
    wrapper->identity_ = chunk.get();
    return wrapper;
  }

  std::shared_ptr<Vellisto_Chunk> weakChunk() const { return weakChunk_.lock(); }
  // Whether the entry is the record's, told without taking a hold of it. (A record gone since may have
  // left its address to another; its entry then goes with the other's, which is only a dead entry less.)
  bool isOf(const Vellisto_Chunk* chunk) const { return identity_ == chunk; }
  const Vellisto_Chunk* identity() const { return identity_; }

 private:
  std::weak_ptr<Vellisto_Chunk> weakChunk_;
  const Vellisto_Chunk* identity_ = nullptr;
};

}  // namespace vl
