// The record operations of the store: finding, choosing, adding, changing, copying and deleting.
#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/index/SortedTableHelper.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/image/ImageManager.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

using Lock = RecursiveMutexLock;

// A record's fields as they are now.
struct ChunkFields {
  std::string context;
  std::optional<std::string> rich;
  std::optional<Json> json;
  std::optional<std::string> alias;
};

ChunkFields fieldsOf(const Vellisto_Chunk& chunk) {
  return ChunkFields{chunk.context(), chunk.rich(), chunk.json(), chunk.alias()};
}

// "name.png" -> "name-2.png", keeping a leading dot out of the extension.
std::string numberedName(const std::string& name, int n) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name + "-" + std::to_string(n);
  return name.substr(0, dot) + "-" + std::to_string(n) + name.substr(dot);
}

}  // namespace

VLEngine::Located VLEngine::findInChain(const std::shared_ptr<Vellisto_BigDoc>& head,
                                        const std::string& sig) {
  // The chain's index answers for a walk from its head; only what it cannot tell for sure is walked.
  if (head && !head->prev()) {
    const SignatureIndex::Result result = Vellisto_BigDoc::chainIndex(head)->find(sig);
    if (result.answer == SignatureIndex::Answer::Found) return {result.chunk, result.chunk->getDocRef()};
    if (result.answer == SignatureIndex::Answer::Absent) return {};
  }
  for (std::shared_ptr<Vellisto_BigDoc> doc = head; doc; doc = doc->next()) {
    std::shared_ptr<Vellisto_Chunk> chunk = doc->indexOfDigest(sig);
    if (chunk && !chunk->isLogicallyDeleted()) return {chunk, doc};
  }
  return {};
}

// ---- finding ----

std::shared_ptr<Vellisto_Chunk> VLEngine::getChunkByContext(const std::optional<std::string>& text,
                                                            const std::optional<Json>& json,
                                                            const std::string& pinTabId) {
  if (!text) return nullptr;
  Lock lock(storeMutex());
  return getChunkByContextLocked(*text, json, pinTabId);
}

std::shared_ptr<Vellisto_Chunk> VLEngine::getChunkByContextLocked(const std::string& text,
                                                                  const std::optional<Json>& json,
                                                                  const std::string& pinTabId) {
  std::optional<DocChain> chain = chainOfTabLocked(pinTabId);
  if (!chain) return nullptr;
  return findInChain(chain->head, Vellisto_Chunk::md5HexDigest(toBeSignedString(text, json))).chunk;
}

std::shared_ptr<Vellisto_Chunk> VLEngine::findContext(const std::optional<std::string>& text,
                                                      bool updateTimeStamp, const std::optional<Json>& json,
                                                      const std::string& pinTabId) {
  Lock lock(storeMutex());
  std::shared_ptr<Vellisto_Chunk> chunk = text ? getChunkByContextLocked(*text, json, pinTabId) : nullptr;
  if (!chunk || !updateTimeStamp) return chunk;
  if (!chunk->jsonHasApp() || chunk->isCopiedApplication()) {
    chunk->updateTimestamp(Vellisto_Chunk::nowTimestamp());
    return chunk;
  }
  // A copy of an application's name makes its record one of the user's copies, listed with them from now
  // on; it stays the application's record, so choosing it still launches the application.
  chunk->change([&] {
    chunk->setTimestamp(Vellisto_Chunk::nowTimestamp());
    std::optional<Json> marked = chunk->json();
    if (marked && marked->is_object()) {
      (*marked)[RecordJson::kApplicationCopiedKey] = "1";
      chunk->setJson(std::move(marked));
    }
    return true;
  });
  return chunk;
}

std::shared_ptr<Vellisto_Chunk> VLEngine::findContext(const std::optional<std::string>& text,
                                                      const std::optional<Json>& json,
                                                      const std::string& pinTabId) {
  return findContext(text, true, json, pinTabId);
}

std::shared_ptr<Vellisto_Chunk> VLEngine::getChunkBySig(const std::string& sig, const std::string& pinTabId) {
  if (sig.empty()) return nullptr;
  Lock lock(storeMutex());
  std::optional<DocChain> chain = chainOfTabLocked(pinTabId);
  if (!chain) return nullptr;
  return findInChain(chain->head, sig).chunk;
}

std::shared_ptr<Vellisto_Chunk> VLEngine::selectContext(const std::optional<std::string>& text,
                                                        const std::string& searchWords,
                                                        const std::optional<Json>& json,
                                                        const std::string& pinTabId) {
  Lock lock(storeMutex());
  std::shared_ptr<Vellisto_Chunk> chunk = text ? getChunkByContextLocked(*text, json, pinTabId) : nullptr;
  if (!chunk) return nullptr;
  chunk->change([&] {
    chunk->offerSearchWord(searchWords);
    chunk->setTimestamp(Vellisto_Chunk::nowTimestamp());
    return true;
  });
  if (std::shared_ptr<VLStoreTab> tab = tabOf(pinTabId)) {
    tab->setCachedFile(nullptr);
    std::shared_ptr<ChunkSortedWeakTable> table = tab->sortedTable();
    table->remove(chunk);
    table->head(chunk);
  }
  return chunk;
}

// ---- adding ----

std::shared_ptr<Vellisto_Chunk> VLEngine::append(const std::string& text,
                                                 const std::optional<std::string>& rich,
                                                 const std::optional<Json>& json,
                                                 const std::string& pinTabId) {
  return append(text, rich, json, std::nullopt, pinTabId);
}

std::shared_ptr<Vellisto_Chunk> VLEngine::append(const std::string& text,
                                                 const std::optional<std::string>& rich,
                                                 const std::optional<Json>& json,
                                                 const std::optional<std::string>& alias,
                                                 const std::string& pinTabId) {
  // Stamped under the lock the append holds: a record stamped earlier than a reader's time is in its
  // doc by the time the reader takes the lock (device sync reads from a time on).
  Lock lock(storeMutex());
  return append(text, rich, json, alias, Vellisto_Chunk::nowTimestamp(), pinTabId);
}

std::shared_ptr<Vellisto_Chunk> VLEngine::append(const std::string& text,
                                                 const std::optional<std::string>& rich,
                                                 const std::optional<Json>& json,
                                                 const std::optional<std::string>& alias,
                                                 const std::string& timestamp, const std::string& pinTabId) {
  Lock lock(storeMutex());
  std::optional<DocChain> chain = chainOfTabLocked(pinTabId);
  if (!chain) {
    logWarningf("store: nothing appended to the tab %s", pinTabId.c_str());
    return nullptr;
  }
  auto chunk = Vellisto_Chunk::initWithContext(text, rich, json, alias, timestamp);
  chain->tail->appendChunk(chunk);
  return chunk;
}

// ---- changing ----

std::string VLEngine::copyToForeverFolder(const std::string& imagePath) const {
  std::string source = ImageManager::existingFile(imagePath).value_or(imagePath);
  if (!files::isRegularFile(source)) {
    logWarningf("store: the image %s is gone; no forever copy", imagePath.c_str());
    return {};
  }
  std::string name = files::lastPathComponent(percentDecode(imagePath));
  if (name.empty() || name == "." || name == "..") name = "image";
  if (foreverPath_.empty() ||
      (!files::isDirectory(foreverPath_) && !files::createDirectories(foreverPath_))) {
    logWarningf("store: no forever folder for %s", imagePath.c_str());
    return {};
  }
  // Another record's image may already carry the name: the copy takes the first free one instead.
  std::string target = files::joinPath(foreverPath_, name);
  for (int n = 2; files::exists(target); ++n) target = files::joinPath(foreverPath_, numberedName(name, n));
  if (!files::copyFile(source, target, false, files::kPrivateFileMode)) {
    logErrorf("store: cannot copy %s to %s", source.c_str(), target.c_str());
    return {};
  }
  return target;
}

void VLEngine::updateContext(const std::string& text, const std::string& alias,
                             const std::optional<Json>& json, const std::string& pinTabId,
                             bool updateTimeStamp) {
  Lock lock(storeMutex());
  std::shared_ptr<Vellisto_Chunk> chunk = getChunkByContextLocked(text, json, pinTabId);
  if (!chunk) return;
  std::shared_ptr<Vellisto_BigDoc> doc = chunk->getDocRef();
  if (!doc) return;
  std::string foreverCopy;
  if (!alias.empty()) {
    const std::optional<Json> stored = chunk->json();
    if (const std::string imagePath =
            JsonDataHelper::isForeverImage(stored) ? std::string() : JsonDataHelper::getImagePath(stored);
        !imagePath.empty()) {
      // Only a copy that exists is named: a dangling name could later match another record's image,
      // which a delete of this record would then remove.
      foreverCopy = copyToForeverFolder(imagePath);
    }
  }
  chunk->change([&] {
    if (!alias.empty()) chunk->setAlias(alias);
    if (!foreverCopy.empty()) {
      std::optional<Json> current = chunk->json();
      Json updated = current && current->is_object() ? std::move(*current) : Json::object();
      updated["forever_image"] = foreverCopy;
      chunk->setJson(std::move(updated));
    }
    if (updateTimeStamp) chunk->setTimestamp(Vellisto_Chunk::nowTimestamp());
    return true;
  });
  if (!alias.empty()) doc->chunkAliasUpdated(chunk);
}

std::size_t VLEngine::addToJsonOfRecords(const std::string& sig, const Json& members) {
  if (sig.empty() || !members.is_object()) return 0;
  Lock lock(storeMutex());
  std::size_t changed = 0;
  for (const std::shared_ptr<VLStoreTab>& tab : tabDirectory()->allTabs()) {
    if (!tab) continue;
    Located found = findInChain(tab->headDoc(), sig);
    if (!found.chunk) continue;
    found.chunk->editJson([&](Json& json) {
      json.update(members);
      return true;
    });
    tab->setCachedFile(nullptr);
    ++changed;
  }
  return changed;
}

void VLEngine::moveChunkFrom(const std::string& fromPinTabId, const std::string& toPinTabId,
                             const std::string& text, const std::optional<Json>& json) {
  Lock lock(storeMutex());
  std::shared_ptr<Vellisto_Chunk> source = getChunkByContextLocked(text, json, fromPinTabId);
  if (!source) return;
  const ChunkFields fields = fieldsOf(*source);
  std::shared_ptr<Vellisto_Chunk> target = findContext(fields.context, true, fields.json, toPinTabId);
  if (!target) target = append(fields.context, fields.rich, fields.json, fields.alias, toPinTabId);
  if (!target) return;
  if (std::shared_ptr<VLStoreTab> tab = tabOf(toPinTabId)) {
    tab->setCachedFile(nullptr);
    // The target tab's own record goes to the front: a record of another chain in its list would
    // outlive a delete there.
    std::shared_ptr<ChunkSortedWeakTable> table = tab->sortedTable();
    if (!table->isEmpty()) {
      table->remove(target);
      table->head(target);
    }
  }
}

void VLEngine::copyIntoPinTabs(const std::shared_ptr<Vellisto_Chunk>& chunk,
                               const std::vector<std::string>& pinTabIds) {
  if (!chunk) return;
  const ChunkFields fields = fieldsOf(*chunk);
  Lock lock(storeMutex());
  for (const std::string& pinTabId : pinTabIds) {
    if (pinTabId == kClipboardPinTabId) continue;
    std::shared_ptr<Vellisto_Chunk> copy = findContext(fields.context, true, fields.json, pinTabId);
    if (!copy) copy = append(fields.context, fields.rich, fields.json, pinTabId);
    if (copy) SortedTableHelper::notify(pinTabId, copy, false);
  }
}

// ---- deleting ----

bool VLEngine::delChunkByContext(const std::string& text, const std::optional<Json>& json,
                                 const std::string& pinTabId) {
  Lock lock(storeMutex());
  std::optional<DocChain> chain = chainOfTabLocked(pinTabId);
  if (!chain) return false;
  return delChunkByDigest(Vellisto_Chunk::md5HexDigest(toBeSignedString(text, json)), chain->head);
}

bool VLEngine::delChunkByDigest(const std::string& sig, const std::shared_ptr<Vellisto_BigDoc>& headDoc) {
  if (sig.empty()) return false;
  Lock lock(storeMutex());
  // The doc tells its chain's owner, which clears that tab's cached matches and recent list.
  if (headDoc && !headDoc->prev()) {
    const SignatureIndex::Result result = Vellisto_BigDoc::chainIndex(headDoc)->find(sig);
    if (result.answer == SignatureIndex::Answer::Absent) return false;
    if (result.answer == SignatureIndex::Answer::Found) {
      if (std::shared_ptr<Vellisto_BigDoc> doc = result.chunk->getDocRef();
          doc && doc->physicalDeleteChunkByDigest(sig))
        return true;
    }
  }
  for (std::shared_ptr<Vellisto_BigDoc> doc = headDoc; doc; doc = doc->next()) {
    if (doc->physicalDeleteChunkByDigest(sig)) return true;
  }
  return false;
}

std::shared_ptr<Vellisto_Chunk> VLEngine::getLatest() {
  Lock lock(storeMutex());
  // Right after a roll-over the tail doc is empty; the newest record is then in the doc before it.
  for (std::shared_ptr<Vellisto_BigDoc> doc = chain_->tail; doc; doc = doc->prev()) {
    std::vector<std::shared_ptr<Vellisto_Chunk>> chunks = doc->chunks();
    for (auto it = chunks.rbegin(); it != chunks.rend(); ++it) {
      if (*it && !(*it)->isLogicallyDeleted()) return *it;
    }
  }
  return nullptr;
}

std::string VLEngine::delLatest() {
  Lock lock(storeMutex());
  std::shared_ptr<Vellisto_Chunk> latest = getLatest();
  if (!latest) return {};
  const std::string text = fieldsOf(*latest).context;
  if (std::shared_ptr<Vellisto_BigDoc> doc = latest->getDocRef())
    doc->physicalDeleteChunkByDigest(latest->sig());
  return text;
}

std::vector<std::shared_ptr<Vellisto_Chunk>> VLEngine::getHasAliasChunks() {
  Lock lock(storeMutex());
  std::vector<std::shared_ptr<Vellisto_Chunk>> out;
  for (std::shared_ptr<Vellisto_BigDoc> doc = chain_->head; doc; doc = doc->next()) {
    std::vector<std::shared_ptr<Vellisto_Chunk>> aliased = doc->getHasAliasChunks();
    out.insert(out.end(), aliased.begin(), aliased.end());
  }
  return out;
}

}  // namespace vl
