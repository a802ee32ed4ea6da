// Loading a doc's journals: what its file does not hold yet is replayed on top of it.
#include <algorithm>
#include <mutex>

#include "VLEngine/doc/DocFileReplacer.h"
#include "VLEngine/doc/DocJournal.h"
#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

using Lock = MutexLock;

}  // namespace

void Vellisto_BigDoc::replayJournals(const std::string& folder, const std::string& fileBytes,
                                     const std::vector<std::string>& folderNames) {
  journal_ = JournalState{};
  journal_.fileMade = files::exists(filePath_);
  std::vector<std::pair<std::uint64_t, std::string>> mine;
  for (const std::string& name : folderNames) {
    auto parsed = DocJournal::parseFileName(name);
    if (parsed && parsed->first == docId_) mine.emplace_back(parsed->second, name);
  }
  if (mine.empty()) return;
  std::sort(mine.begin(), mine.end());
  journal_.nextGeneration = mine.back().first + 1;

  std::vector<DocJournal::Contents> contents;
  for (const auto& [generation, name] : mine)
    contents.push_back(DocJournal::read(files::joinPath(folder, name)));
  // The newest fold mark that matches the file: that journal and every older one are in it.
  const DocJournal::FoldMark fileMark = DocJournal::markOf(fileBytes);
  std::size_t first = 0;
  for (std::size_t i = mine.size(); i-- > 0;) {
    if (contents[i].fold && *contents[i].fold == fileMark) {
      first = i + 1;
      break;
    }
  }

  std::size_t replayed = 0;
  std::string unfit;
  for (std::size_t i = 0; i < mine.size(); ++i) {
    journal_.older.push_back(mine[i].first);
    if (i < first) continue;
    const std::string path = files::joinPath(folder, mine[i].second);
    const DocJournal::Contents& journal = contents[i];
    if (journal.unfinished) {
      // Made, but its header never written: it holds nothing, and the journals after it fit as they are.
      logf("doc: the journal %s was never finished; passed by", path.c_str());
      continue;
    }
    // Each journal starts where the one before ended: once one does not fit, none after it does.
    if (unfit.empty() &&
        (!journal.header || journal.header->docId != docId_ || journal.header->generation != mine[i].first)) {
      unfit = journal.header ? std::string("its header names another doc")
                             : "it is unreadable: " + journal.damage;
    }
    // Loaded from the file or built from earlier journals, the doc has no records deleted in place.
    auto records = [&]() VL_REQUIRES(lock_) {
      return static_cast<std::uint64_t>(
          std::count_if(chunks_.begin(), chunks_.end(), [](const auto& c) { return c != nullptr; }));
    };
    auto slotOf = [&](std::uint64_t record) VL_REQUIRES(lock_) -> std::optional<std::size_t> {
      for (std::size_t slot = 0; slot < chunks_.size(); ++slot) {
        if (chunks_[slot] && record-- == 0) return slot;
      }
      return std::nullopt;
    };
    if (unfit.empty() && !journal.changes.empty() && journal.header->baseRecords != records()) {
      unfit = "it starts from " + std::to_string(journal.header->baseRecords) + " records, the doc has " +
              std::to_string(records());
    }
    for (const DocJournal::Change& change : journal.changes) {
      if (!unfit.empty()) break;
      std::shared_ptr<Vellisto_Chunk> chunk;
      if (change.type != DocJournal::Type::Erase && !change.text.empty()) {
        chunk = Vellisto_Chunk::initWithChunkStr(change.text);
        if (chunk) chunk->setDocRef(weak_from_this());
      }
      if (change.type == DocJournal::Type::Append) {
        chunks_.push_back(std::move(chunk));
        ++replayed;
        continue;
      }
      const std::optional<std::size_t> slot = slotOf(change.record);
      const std::string sig = change.type == DocJournal::Type::Erase ? change.text
                              : chunk                                ? chunk->sig()
                                                                     : "";
      if (!slot) {
        unfit = "a change of record " + std::to_string(change.record) + " of " + std::to_string(records());
      } else if (!sig.empty() && chunks_[*slot]->sig() != sig) {
        unfit = "record " + std::to_string(change.record) + " is another one";
      } else if (change.type == DocJournal::Type::Set) {
        chunks_[*slot] = std::move(chunk);
        ++replayed;
      } else {
        chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(*slot));
        ++replayed;
      }
    }
    if (!unfit.empty()) {
      logf("doc: the journal %s does not fit %s (%s); kept aside, not replayed", path.c_str(),
           filePath_.c_str(), unfit.c_str());
      DocFileReplacer::keepDamagedCopy(path);
      continue;
    }
    if (!journal.damage.empty()) {
      // A write the process did not live to finish: it was never acknowledged.
      logf("doc: the journal %s ends in %s at byte %zu; the rest of it is ignored", path.c_str(),
           journal.damage.c_str(), journal.damageOffset);
    }
  }
  resetHitsLocked();
  journal_.dirty = true;
  journal_.fileMade = !fileBytes.empty() || files::exists(filePath_);
  if (replayed > 0) {
    logf("doc: %s: %zu changes replayed from its journals", filePath_.c_str(), replayed);
  }
}

bool Vellisto_BigDoc::loadJournalsOnly(const std::string& folder, std::int64_t docId,
                                       const std::vector<std::string>& folderNames) {
  Lock lock(lock_);
  leaveIndexLocked();
  chunks_.clear();
  docId_ = docId;
  filePath_ = files::joinPath(folder, docFileName(docId));
  damaged_ = false;
  replayJournals(folder, std::string(), folderNames);
  return journal_.dirty;
}

void Vellisto_BigDoc::foldReplayedJournals() {
  bool behind = false;
  {
    Lock lock(lock_);
    behind = journal_.dirty;
  }
  if (behind) requestFold(kFoldDelayMs);
}

}  // namespace vl
