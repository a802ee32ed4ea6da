#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "VLEngine/LockedDocChain.h"
#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/bigdoc/Vellisto_DocChainOwner.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"

namespace vl {

class Vellisto_TempFile;

// What the record store works on in a tab: its identifier, its chain of docs and what is kept over
// that chain (the recent list, the cached file, the one-shot new-arrival flag). The pin tabs build
// their names, colours, folders and views on top; the store never needs those.
//
// The clipboard tab refers to the store's own chain, so the two never describe it apart; every other
// tab owns its chain. Fields are guarded by the record store's lock (VLEngine::storeMutex).
class VLStoreTab : public Vellisto_DocChainOwner, public LockedDocChain {
 public:
  // A tab with an empty chain of its own; the identifier is set by whoever builds the tab.
  VLStoreTab();
  // A tab over an existing chain, shared with whoever else holds it.
  VLStoreTab(std::string pinTabId, std::shared_ptr<DocChain> chain);

  const std::string& pinTabId() const { return pinTabId_; }
  bool isClipboard() const;
  // The folder of the tab's own docs; "" for a tab whose chain lies elsewhere.
  virtual std::string getDiskPath() const { return {}; }

  // The chain as it is now.
  DocChain chain() const;

  std::shared_ptr<ChunkSortedWeakTable> sortedTable();
  std::shared_ptr<Vellisto_TempFile> cachedFile() const;
  void setCachedFile(std::shared_ptr<Vellisto_TempFile> file);
  bool newArrivedAnimation() const { return newArrivedAnimation_.load(); }
  void setNewArrivedAnimation(bool flag) { newArrivedAnimation_.store(flag); }

  // Vellisto_DocChainOwner, for a tab that owns its chain's docs.
  void docDidRollOver(const std::shared_ptr<Vellisto_BigDoc>& full,
                      const std::shared_ptr<Vellisto_BigDoc>& next) override;
  void chunkDidLeave(const std::shared_ptr<Vellisto_Chunk>& chunk) override;

 protected:
  std::string pinTabId_;

 private:
  std::atomic<bool> newArrivedAnimation_{false};
  std::shared_ptr<Vellisto_TempFile> cachedFile_ VL_GUARDED_BY(VLEngine::storeMutex());
  std::shared_ptr<ChunkSortedWeakTable> sortedTable_ VL_GUARDED_BY(VLEngine::storeMutex());
};

}  // namespace vl
