#include "startup/EngineAppRecordStore.h"

#include <mutex>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "VLEngine/doc/Vellisto_Chunk.h"

namespace vl {

bool EngineAppRecordStore::hasApplicationRecord(const std::string& name) {
  return VLEngine::shared().getChunkByContext(name, std::nullopt, kClipboardPinTabId) != nullptr;
}

void EngineAppRecordStore::updateApplicationRecord(const std::string& name, const Json& json) {
  RecursiveMutexLock storeLock(VLEngine::storeMutex());
  std::shared_ptr<Vellisto_Chunk> chunk =
      VLEngine::shared().getChunkByContext(name, std::nullopt, kClipboardPinTabId);
  if (!chunk) return;
  std::shared_ptr<Vellisto_BigDoc> doc = chunk->getDocRef();
  if (!doc) return;
  {
    RecursiveMutexLock docLock(doc->mutex());
    // A text the user copied that happens to be an application's name (with its rich text, its page,
    // its image) stays what it is: made an application record, pasting it would launch the application.
    const std::optional<Json>& current = chunk->json();
    const bool isApplication = current && current->is_object() && current->contains("app");
    const bool hasNoJson = !current || current->is_null() || (current->is_object() && current->empty());
    if (!isApplication && !hasNoJson) return;
    // The application keys join what an application record carries; its time stays, so an index
    // refresh never moves the record up the history.
    Json updated = isApplication ? *current : Json::object();
    for (auto it = json.begin(); json.is_object() && it != json.end(); ++it) updated[it.key()] = it.value();
    if (current && *current == updated) return;
    chunk->setJson(std::move(updated));
  }
  doc->persistChunk(*chunk);
}

void EngineAppRecordStore::appendApplicationRecord(const std::string& name, const Json& json) {
  VLEngine::shared().append(name, std::nullopt, json, kClipboardPinTabId);
}

}  // namespace vl
