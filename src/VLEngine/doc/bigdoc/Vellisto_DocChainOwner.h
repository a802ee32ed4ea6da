#pragma once

#include <memory>

namespace vl {

class Vellisto_BigDoc;
class Vellisto_Chunk;

// Whoever owns a chain of docs: the record store for the clipboard history (whose chain the clipboard
// tab shares), a tab for its own chain (VLStoreTab). Docs call it without holding their lock.
class Vellisto_DocChainOwner {
 public:
  virtual ~Vellisto_DocChainOwner() = default;
  // `full` rolled over into `next`, the chain's new tail; the chain has one doc more.
  virtual void docDidRollOver(const std::shared_ptr<Vellisto_BigDoc>& full,
                              const std::shared_ptr<Vellisto_BigDoc>& next) = 0;
  // A record was deleted from a doc of this chain: cached match lists and recent lists that may still
  // show it are stale.
  virtual void chunkDidLeave(const std::shared_ptr<Vellisto_Chunk>& chunk) = 0;
};

}  // namespace vl
