#include "VLEngine/doc/bigdoc/DocChainLoader.h"

#include <algorithm>
#include <map>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/DocFileReplacer.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

constexpr int kFreshDocAttempts = 1000;

}  // namespace

std::vector<std::string> DocChainLoader::sortedDocNames(const std::vector<std::string>& names,
                                                        const std::string& folder) {
  std::vector<std::pair<std::int64_t, std::string>> docs;
  for (const std::string& name : VLEngine::filterFileNames(names)) {
    std::optional<std::int64_t> id = Vellisto_BigDoc::docIdOfFileName(name);
    if (!id) {
      logWarningf("store: %s in %s is not a doc name; passed by", name.c_str(), folder.c_str());
      continue;
    }
    docs.emplace_back(*id, name);
  }
  std::stable_sort(docs.begin(), docs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  out.reserve(docs.size());
  for (auto& [id, name] : docs) out.push_back(std::move(name));
  return out;
}

bool DocChain::wellFormed() const {
  if (!head || !tail) return !head && !tail && docCount == 0;
  std::int64_t linked = 1;
  auto doc = head;
  for (; doc != tail && doc->next(); doc = doc->next()) ++linked;
  return doc == tail && !tail->next() && linked == docCount;
}

DocChain DocChainLoader::loadFolder(const std::string& folder,
                                    const std::shared_ptr<Vellisto_DocChainOwner>& owner) {
  DocChain chain;
  files::DirectoryListing listing = files::listDirectory(folder);
  if (!listing.ok()) {
    logErrorf("store: cannot list %s (%s)", folder.c_str(), listing.error.c_str());
    return chain;
  }
  // Temporaries of writes that a crash interrupted: nothing else reads them, and no doc writes yet.
  DocFileReplacer::removeStaleTemporaries(folder);
  // Each doc by number: its file, or only journals when the process died before the file was made.
  std::map<std::int64_t, std::string> docs;
  for (const std::string& name : sortedDocNames(listing.names, folder)) {
    docs.emplace(*Vellisto_BigDoc::docIdOfFileName(name), name);
  }
  for (const std::string& name : listing.names) {
    if (auto journal = DocJournal::parseFileName(name)) docs.emplace(journal->first, std::string());
  }
  auto link = [&](const std::shared_ptr<Vellisto_BigDoc>& doc) {
    doc->setChainOwner(owner);
    if (chain.tail) {
      chain.tail->setNext(doc);
      doc->setPrev(chain.tail);
    } else {
      chain.head = doc;
    }
    chain.tail = doc;
    ++chain.docCount;
  };
  for (const auto& [docId, name] : docs) {
    auto doc = std::make_shared<Vellisto_BigDoc>();
    if (name.empty()) {
      if (doc->loadJournalsOnly(folder, docId, listing.names)) {
        logWarningf("store: doc %lld of %s had only its journals; its file is made again",
                    static_cast<long long>(docId), folder.c_str());
        link(doc);
      }
      continue;
    }
    const std::string path = files::joinPath(folder, name);
    if (!files::isRegularFile(path)) {
      logWarningf("store: %s is not a file; passed by", path.c_str());
      continue;
    }
    if (!doc->load(path, &listing.names)) {
      logWarningf("store: %s cannot be read; passed by and left as it is", path.c_str());
      continue;
    }
    link(doc);
  }
  // Only once every doc is in: warming while docs still load would take cores and memory bandwidth from
  // the load itself.
  for (auto doc = chain.head; doc; doc = doc->next()) {
    doc->foldReplayedJournals();
    warmSearchTraits(doc);
  }
  // What reading the files took beyond the records goes back.
  FreedMemory::loadsDone();
  VL_DCHECK(chain.wellFormed());
  return chain;
}

void DocChainLoader::warmSearchTraits(const std::shared_ptr<Vellisto_BigDoc>& doc) {
  // A search works out what it keeps of each text the first time it meets it, which would make the
  // first search after a start read the whole history at once; idle cores do it now instead.
  dispatch::Queue::global()->async([weak = std::weak_ptr<Vellisto_BigDoc>(doc)] {
    const std::shared_ptr<Vellisto_BigDoc> held = weak.lock();
    if (!held) return;
    for (const auto& chunk : held->chunks()) {
      if (chunk) chunk->contextTraits();
    }
  });
}

std::shared_ptr<Vellisto_BigDoc> DocChainLoader::freshDoc(
    const std::string& folder, std::int64_t first, const std::shared_ptr<Vellisto_DocChainOwner>& owner) {
  for (int attempt = 0; attempt < kFreshDocAttempts; ++attempt) {
    const std::string path = files::joinPath(folder, Vellisto_BigDoc::docFileName(first + attempt));
    // Anything at the name that is not an empty file (a folder, an unreadable doc) is left alone.
    if (files::exists(path) && (!files::isRegularFile(path) || files::fileSize(path).value_or(1) > 0))
      continue;
    std::shared_ptr<Vellisto_BigDoc> doc = Vellisto_BigDoc::emptyDoc(first + attempt, folder);
    if (!doc) continue;
    doc->setChainOwner(owner);
    return doc;
  }
  logErrorf("store: no free doc number in %s", folder.c_str());
  return nullptr;
}

}  // namespace vl
