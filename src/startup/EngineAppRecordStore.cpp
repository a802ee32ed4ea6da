#include "startup/EngineAppRecordStore.h"

#include <mutex>

#include "VLEngine/VLEngine.h"
#include "VLEngine/Vellisto_BigDoc.h"
#include "VLEngine/Vellisto_Chunk.h"

namespace vl {

bool EngineAppRecordStore::hasApplicationRecord(const std::string& name) {
  return VLEngine::shared().getChunkByContext(name, std::nullopt, VLEngine::kClipboardPinTabId) != nullptr;
}

void EngineAppRecordStore::updateApplicationRecord(const std::string& name, const Json& json) {
  std::lock_guard<std::recursive_mutex> storeLock(VLEngine::storeMutex());
  std::shared_ptr<Vellisto_Chunk> chunk =
      VLEngine::shared().getChunkByContext(name, std::nullopt, VLEngine::kClipboardPinTabId);
  if (!chunk) return;
  std::shared_ptr<Vellisto_BigDoc> doc = chunk->getDocRef();
  if (!doc) return;
  {
    std::lock_guard<std::recursive_mutex> docLock(doc->mutex());
    // The application keys join whatever else the record carries; its time stays, so an index refresh
    // never moves the record up the history.
    Json updated = chunk->json() && chunk->json()->is_object() ? *chunk->json() : Json::object();
    for (auto it = json.begin(); json.is_object() && it != json.end(); ++it) updated[it.key()] = it.value();
    if (chunk->json() && *chunk->json() == updated) return;
    chunk->setJson(std::move(updated));
  }
  doc->persist();
}

void EngineAppRecordStore::appendApplicationRecord(const std::string& name, const Json& json) {
  VLEngine::shared().append(name, std::nullopt, json, VLEngine::kClipboardPinTabId);
}

}  // namespace vl
