#include "capture/MergingCopy.h"

#include <initializer_list>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "capture/CaptureHooks.h"
#include "capture/CopyEntity.h"
#include "capture/PasteboardPolling.h"
#include "core/VLConfig.h"
#include "pins/PinManager.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Keys a text record may carry; any other key (an image, a file, an application, a preview view of
// its own) makes it more than text, and such a record is never folded into a merged text.
bool isPlainTextRecord(const Vellisto_Chunk& chunk) {
  if (chunk.hasAlias()) return false;
  const auto& json = chunk.json();
  if (!json || json->is_null()) return true;
  if (!json->is_object()) return false;
  static const std::initializer_list<const char*> kTextKeys = {"html", "rich_text", "sync_device_id",
                                                               "sync_device_name", "merging_copy"};
  for (const auto& [key, value] : json->items()) {
    bool textKey = false;
    for (const char* allowed : kTextKeys) textKey = textKey || key == allowed;
    if (!textKey) return false;
  }
  return true;
}

// The record is still where it was stored: alive, not deleted, and what its doc finds under its
// signature.
bool stillStored(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk || chunk->isLogicallyDeleted()) return false;
  const auto doc = chunk->getDocRef();
  return doc && doc->indexOfDigest(chunk->sig()) == chunk;
}

}  // namespace

MergingCopy& MergingCopy::shared() {
  static MergingCopy* instance = new MergingCopy();  // used by the capture queue until exit
  return *instance;
}

MergingCopy::~MergingCopy() {
  {
    MutexLock lock(mutex_);
    cancelTimeoutLocked();
  }
  // A time-out that already started runs on the capture queue; let it finish before we go.
  auto queue = PasteboardPolling::pasteboardDealingQueue();
  if (!queue->isCurrent()) queue->sync([] {});
}

std::string MergingCopy::connector() const {
  VLConfig& config = VLConfig::shared();
  const long key = config.getBoolValueOfKey(VLConfig::kMergeWithFirstConnector) ? VLConfig::kFirstConnector
                                                                                : VLConfig::kSecondConnector;
  return config.getStringValueOfKey(key).value_or("");
}

void MergingCopy::cancelTimeoutLocked() {
  if (timeoutBlock_ && !timeoutBlock_->isCancelled()) timeoutBlock_->cancel();
  timeoutBlock_.reset();
}

void MergingCopy::clearLocked() {
  held_ = Held{};
  mergingString_.clear();
}

bool MergingCopy::merge(const std::shared_ptr<CopyEntity>& entity) {
  if (!entity || !VLConfig::shared().getBoolValueOfKey(VLConfig::kMergingCopy)) return false;
  logDebug("coming copyEntity");
  Held held;
  {
    MutexLock lock(mutex_);
    if (!held_.entity) {
      if (!entity->stringOnly()) return false;
      cancelTimeoutLocked();
      logDebugf("self.holdCopyEntity = %s", "(null)");
      held_ = Held{entity, {}, {}};
      timeoutBlock_ = dispatch::after(kHoldMs, PasteboardPolling::pasteboardDealingQueue(),
                                      [this] { copyEntityDidTimeout(); });
      return false;
    }
    if (!entity->stringOnly()) return false;
    if (!held_.entity->isStringEqualTo(*entity)) {
      logDebugf("self.holdCopyEntity = length=%zu drop this copy", held_.entity->string().size());
      cancelTimeoutLocked();
      clearLocked();
      return false;
    }
    cancelTimeoutLocked();
    held = held_;
    clearLocked();
  }
  return mergeDoubleCopy(held);
}

bool MergingCopy::mergeDoubleCopy(const Held& held) {
  VLEngine& engine = VLEngine::shared();
  std::shared_ptr<Vellisto_Chunk> merged;
  std::vector<std::string> replaced;
  {
    // One step for the store: nothing may slip in between the checks and the join.
    RecursiveMutexLock storeLock(VLEngine::storeMutex());
    const auto record = held.record.lock();
    const auto older = held.older.lock();
    const auto latest = engine.getLatest();
    if (!record || !older || !stillStored(record) || !stillStored(older) || latest != record ||
        record->hasAlias() || !isPlainTextRecord(*older)) {
      logDebug("merging copy: the held copy is not the newest record after a plain text, not merged");
      return false;
    }
    const std::string text = older->context() + connector() + held.entity->string();
    {
      MutexLock lock(mutex_);
      mergingString_ = text;
    }
    engine.delChunkByDigest(record->sig(), record->getDocRef());
    engine.delChunkByDigest(older->sig(), older->getDocRef());
    merged = engine.append(text, std::nullopt, Json::object(), kClipboardPinTabId);
    logDebugf("--------------append merging copy sig=%s length=%zu", merged ? merged->sig().c_str() : "-",
              text.size());
    replaced = {held.entity->string(), older->context()};
    {
      MutexLock lock(mutex_);
      mergingString_.clear();
    }
  }
  if (!merged) {
    logError("merging copy: the merged record could not be stored");
    return true;
  }
  CaptureHooks::syncChunkMergingCopyDel(merged, replaced);
  {
    RecursiveMutexLock storeLock(VLEngine::storeMutex());
    if (auto tab = PinManager::shared().clipboardPinTab()) {
      const auto table = tab->sortedTable();
      if (table->holdsNewest()) {
        table->remove(merged);
        table->head(merged);
      }
      tab->setCachedFile(nullptr);
    }
  }
  return true;
}

bool MergingCopy::holds(const CopyEntity& entity) const {
  MutexLock lock(mutex_);
  return held_.entity.get() == &entity;
}

void MergingCopy::heldCopyStored(const CopyEntity& entity, const std::shared_ptr<Vellisto_Chunk>& chunk,
                                 const std::shared_ptr<Vellisto_Chunk>& previous) {
  MutexLock lock(mutex_);
  if (held_.entity.get() != &entity) return;
  held_.record = chunk;
  held_.older = previous;
}

void MergingCopy::copyEntityDidTimeout() {
  MutexLock lock(mutex_);
  timeoutBlock_.reset();
  clearLocked();
}

std::shared_ptr<CopyEntity> MergingCopy::holdCopyEntity() const {
  MutexLock lock(mutex_);
  return held_.entity;
}

std::string MergingCopy::mergingString() const {
  MutexLock lock(mutex_);
  return mergingString_;
}

}  // namespace vl
