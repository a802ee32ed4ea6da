#include "startup/EngineAppRecordStore.h"

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"

namespace vl {

bool EngineAppRecordStore::hasApplicationRecord(const std::string& name) {
  return VLEngine::shared().getChunkByContext(name, std::nullopt, kClipboardPinTabId) != nullptr;
}

void EngineAppRecordStore::updateApplicationRecord(const std::string& name, const Json& json) {
  std::shared_ptr<Vellisto_Chunk> chunk =
      VLEngine::shared().getChunkByContext(name, std::nullopt, kClipboardPinTabId);
  if (!chunk || !chunk->getDocRef()) return;
  chunk->editJson([&](Json& updated) {
    // Only a record that already is an application's is refreshed. A text the user copied that happens
    // to be an application's name stays what it is, plain copies (stored with an empty dictionary)
    // included: made an application record, choosing it would launch the application instead of
    // pasting it, and sync would leave it out.
    if (!updated.contains("app")) return false;
    // The application keys join what an application record carries; its time stays, so an index
    // refresh never moves the record up the history.
    const Json before = updated;
    for (auto it = json.begin(); json.is_object() && it != json.end(); ++it) updated[it.key()] = it.value();
    return updated != before;
  });
}

void EngineAppRecordStore::appendApplicationRecord(const std::string& name, const Json& json) {
  VLEngine::shared().append(name, std::nullopt, json, kClipboardPinTabId);
}

}  // namespace vl
