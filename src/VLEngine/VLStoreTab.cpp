#include "VLEngine/VLStoreTab.h"

#include <mutex>

#include "VLEngine/VLEngine.h"
#include "VLEngine/image/RecordFiles.h"
#include "platform/foundation/Check.h"

namespace vl {

namespace {

using Lock = RecursiveMutexLock;

}  // namespace

VLStoreTab::VLStoreTab() : chain_(std::make_shared<DocChain>()) {}

VLStoreTab::VLStoreTab(std::string pinTabId, std::shared_ptr<DocChain> chain)
    : pinTabId_(std::move(pinTabId)), chain_(chain ? std::move(chain) : std::make_shared<DocChain>()) {}

bool VLStoreTab::isClipboard() const { return pinTabId_ == kClipboardPinTabId; }

DocChain VLStoreTab::chain() const {
  Lock lock(VLEngine::storeMutex());
  return *chain_;
}

std::shared_ptr<Vellisto_BigDoc> VLStoreTab::headDoc() const {
  Lock lock(VLEngine::storeMutex());
  return chain_->head;
}

void VLStoreTab::setHeadDoc(std::shared_ptr<Vellisto_BigDoc> doc) {
  Lock lock(VLEngine::storeMutex());
  chain_->head = std::move(doc);
}

std::shared_ptr<Vellisto_BigDoc> VLStoreTab::tailDoc() const {
  Lock lock(VLEngine::storeMutex());
  return chain_->tail;
}

void VLStoreTab::setTailDoc(std::shared_ptr<Vellisto_BigDoc> doc) {
  Lock lock(VLEngine::storeMutex());
  chain_->tail = std::move(doc);
}

std::int64_t VLStoreTab::docCount() const {
  Lock lock(VLEngine::storeMutex());
  return chain_->docCount;
}

void VLStoreTab::setDocCount(std::int64_t count) {
  Lock lock(VLEngine::storeMutex());
  chain_->docCount = count;
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
  if (auto configure = VLEngine::shared().docConfigurer()) configure(next);
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
