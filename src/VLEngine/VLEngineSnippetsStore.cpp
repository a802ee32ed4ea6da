#include "VLEngine/VLEngineSnippetsStore.h"

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"

namespace vl {

void VLEngineSnippetsStore::delChunkByDigest(const std::string& digest) {
  VLEngine& engine = VLEngine::shared();
  engine.delChunkByDigest(digest, engine.headDoc());
}

bool VLEngineSnippetsStore::findContext(const std::string& context) {
  return VLEngine::shared().getChunkByContext(context, std::nullopt, kClipboardPinTabId) != nullptr;
}

void VLEngineSnippetsStore::updateContext(const std::string& context, const std::string& alias) {
  VLEngine::shared().updateContext(context, alias, std::nullopt, kClipboardPinTabId, true);
}

void VLEngineSnippetsStore::append(const std::string& context, const std::string& alias) {
  VLEngine::shared().append(context, std::nullopt, std::nullopt, alias, kClipboardPinTabId);
}

void VLEngineSnippetsStore::clearClipboardCachedFile() {
  if (auto tab = VLEngine::shared().tabDirectory()->clipboardTab()) tab->setCachedFile(nullptr);
}

std::vector<VLEngineSnippetsStore::AliasRecord> VLEngineSnippetsStore::getHasAliasChunks() {
  std::vector<AliasRecord> out;
  for (const auto& chunk : VLEngine::shared().getHasAliasChunks()) {
    out.push_back(AliasRecord{chunk->sig(), chunk->context(), chunk->alias().value_or(""), chunk->timestamp(),
                              chunk->json().value_or(Json::object())});
  }
  return out;
}

}  // namespace vl
