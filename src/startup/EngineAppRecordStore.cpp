#include "startup/EngineAppRecordStore.h"

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "VLEngine/doc/Vellisto_Chunk.h"

namespace vl {

bool EngineAppRecordStore::hasApplicationRecord(const std::string& name) {
  return VLEngine::shared().getChunkByContext(name, std::nullopt, kClipboardPinTabId) != nullptr;
}

void EngineAppRecordStore::updateApplicationRecord(const std::string& name, const Json& json) {
  std::shared_ptr<Vellisto_Chunk> chunk =
      VLEngine::shared().getChunkByContext(name, std::nullopt, kClipboardPinTabId);
  if (!chunk || !chunk->getDocRef()) return;
  // `updated` starts as the json, or as an empty dictionary for a record without one.
  chunk->editJson([&](Json& updated) {
    // A text the user copied that happens to be an application's name (with its rich text, its page,
    // its image) stays what it is: made an application record, pasting it would launch the application.
    if (!updated.contains("app") && !updated.empty()) return false;
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
