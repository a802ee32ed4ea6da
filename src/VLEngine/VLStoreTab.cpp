#include "VLEngine/VLStoreTab.h"

#include <mutex>

#include "VLEngine/VLEngine.h"
#include "VLEngine/image/RecordFiles.h"
#include "platform/foundation/Check.h"

namespace vl {

namespace {

using Lock = RecursiveMutexLock;

}  // namespace

VLStoreTab::VLStoreTab() : LockedDocChain(nullptr) {}

VLStoreTab::VLStoreTab(std::string pinTabId, std::shared_ptr<DocChain> chain)
    : LockedDocChain(std::move(chain)), pinTabId_(std::move(pinTabId)) {}

bool VLStoreTab::isClipboard() const { return pinTabId_ == kClipboardPinTabId; }

DocChain VLStoreTab::chain() const {
  Lock lock(VLEngine::storeMutex());
  return *chain_;
}

std::shared_ptr<ChunkSortedWeakTable> VLStoreTab::sortedTable() {
  Lock lock(VLEngine::storeMutex());
  if (!sortedTable_) sortedTable_ = ChunkSortedWeakTable::newTable();
  return sortedTable_;
}

std::shared_ptr<Vellisto_TempFile> VLStoreTab::cachedFile() const {
  Lock lock(VLEngine::storeMutex());
  return cachedFile_;
}

void VLStoreTab::setCachedFile(std::shared_ptr<Vellisto_TempFile> file) {
  Lock lock(VLEngine::storeMutex());
  cachedFile_ = std::move(file);
}

void VLStoreTab::docDidRollOver(const std::shared_ptr<Vellisto_BigDoc>&,
                                const std::shared_ptr<Vellisto_BigDoc>& next) {
  Lock lock(VLEngine::storeMutex());
  chain_->tail = next;
  ++chain_->docCount;
  VL_DCHECK(chain_->wellFormed());
}

void VLStoreTab::chunkDidLeave(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  {
    Lock lock(VLEngine::storeMutex());
    cachedFile_.reset();
    if (sortedTable_) sortedTable_->remove(chunk);
  }
  RecordFiles::recordDidLeave(chunk);
}

}  // namespace vl
