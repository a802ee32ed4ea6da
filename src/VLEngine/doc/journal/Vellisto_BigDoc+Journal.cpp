// How a doc reaches the disk: each change journaled as it is made, the doc file rewritten (folded) now
// and then, and the journals replayed at load.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <typeinfo>
#include <utility>

#include "VLEngine/doc/bigdoc/DocFileReplacer.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/bigdoc/Vellisto_DefaultCodec.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

using Lock = MutexLock;

struct FoldState {
  // A leaf lock: no doc's lock is taken under it.
  std::mutex mutex;
  // Docs that had changes to fold (a fold of a doc that has none returns at once); the ones gone are
  // dropped as new ones come.
  std::vector<std::weak_ptr<Vellisto_BigDoc>> waiting;
  std::atomic<std::uint64_t> writes{0};
  std::atomic<std::uint64_t> bytes{0};
};

// The cap tests may lower; 0 keeps the real one.
std::atomic<std::uint64_t> gFoldAtOnceJournalBytesForTesting{0};

std::uint64_t foldAtOnceJournalBytes() {
  const std::uint64_t forTesting = gFoldAtOnceJournalBytesForTesting.load(std::memory_order_relaxed);
  return forTesting ? forTesting : Vellisto_BigDoc::kFoldAtOnceJournalBytes;
}

FoldState& foldState() {
  static FoldState state;
  return state;
}

void keepWaiting(const std::shared_ptr<Vellisto_BigDoc>& doc) {
  FoldState& state = foldState();
  std::lock_guard lock(state.mutex);
  bool present = false;
  std::erase_if(state.waiting, [&](const std::weak_ptr<Vellisto_BigDoc>& weak) {
    auto live = weak.lock();
    present = present || live == doc;
    return !live;
  });
  if (!present) state.waiting.push_back(doc);
}

std::vector<std::shared_ptr<Vellisto_BigDoc>> waitingDocs() {
  FoldState& state = foldState();
  std::lock_guard lock(state.mutex);
  std::vector<std::shared_ptr<Vellisto_BigDoc>> out;
  for (const auto& weak : state.waiting) {
    if (auto doc = weak.lock()) out.push_back(doc);
  }
  return out;
}

}  // namespace

// ---- journaling changes ----

std::string Vellisto_BigDoc::folderLocked() const { return files::deletingLastPathComponent(filePath_); }

std::string Vellisto_BigDoc::textFromSlotLocked(std::size_t from) const {
  // As stringValue() joins them: a separator after every slot with a record but the last.
  const std::size_t count = chunks_.size();
  std::string out;
  if (from >= count) return out;
  if (from > 0 && chunks_[from - 1]) out.append(doctext::kChunkSeparator);
  for (std::size_t i = from; i < count; ++i) {
    if (!chunks_[i]) continue;
    if (std::optional<std::string> form = chunks_[i]->stringValue()) out.append(*form);
    if (i + 1 < count) out.append(doctext::kChunkSeparator);
  }
  return out;
}

std::shared_ptr<DocJournal> Vellisto_BigDoc::journalLocked(DocJournal::Type type, std::size_t index,
                                                           std::string text) {
  // A doc without a file lives in memory only (benchmarks build such histories).
  if (journal_.discarded || filePath_.empty()) return nullptr;
  journal_.dirty = true;
  std::uint64_t record = 0;
  if (type != DocJournal::Type::Append) {
    ++journal_.otherChanges;
    // A slot that holds no record is not in the file either: changing it changes nothing there.
    if (index >= chunks_.size() || !isRecord(chunks_[index])) return nullptr;
    for (std::size_t i = 0; i < index; ++i) record += isRecord(chunks_[i]) ? 1 : 0;
  }
  return journalChangeLocked({type, record, std::move(text)});
}

std::shared_ptr<DocJournal> Vellisto_BigDoc::journalChangeLocked(const DocJournal::Change& change) {
  if (journal_.broken) {
    ++journal_.unjournaled;
    return nullptr;
  }
  std::string error;
  if (!journal_.current) {
    // A journal only means something on top of its doc's file: without the file (its folder removed
    // while the program ran) the whole doc is written again first.
    if (!files::isRegularFile(filePath_)) {
      breakJournalLocked("its file is gone");
      return nullptr;
    }
    const auto records = static_cast<std::uint64_t>(std::count_if(chunks_.begin(), chunks_.end(), isRecord));
    const DocJournal::Header header{docId_, journal_.nextGeneration++, records};
    journal_.current = DocJournal::create(folderLocked(), header, &error);
    if (!journal_.current) {
      breakJournalLocked(error);
      return nullptr;
    }
  }
  const std::uint64_t before = journal_.current->size();
  if (!journal_.current->append(change, &error)) {
    breakJournalLocked(error);
    return nullptr;
  }
  journal_.journalBytes += journal_.current->size() - before;
  ++journal_.journalChanges;
  if (!journal_.current->stillLinked()) {
    breakJournalLocked("its journal was removed with its folder");
    return nullptr;
  }
  return journal_.current;
}

void Vellisto_BigDoc::breakJournalLocked(const std::string& why) {
  if (!journal_.broken) {
    logErrorf("doc: cannot journal a change of %s (%s); changes wait in memory until the doc is written",
              filePath_.c_str(), why.c_str());
  }
  journal_.broken = true;
  ++journal_.unjournaled;
  if (journal_.current) {
    // What it already holds is sound and stays until a fold covers it.
    journal_.older.push_back(journal_.current->generation());
    journal_.current.reset();
  }
}

namespace {
thread_local Vellisto_BigDoc::SyncTogether* gSyncTogether = nullptr;
}  // namespace

void Vellisto_BigDoc::syncJournal(const std::weak_ptr<Vellisto_BigDoc>& weak,
                                  const std::shared_ptr<DocJournal>& journal) {
  std::string error;
  if (journal->sync(&error)) return;
  if (auto doc = weak.lock()) {
    Lock lock(doc->lock_);
    if (doc->journal_.current == journal) doc->breakJournalLocked(error);
  }
}

Vellisto_BigDoc::SyncTogether::SyncTogether() : outer_(gSyncTogether) { gSyncTogether = this; }

Vellisto_BigDoc::SyncTogether::~SyncTogether() {
  gSyncTogether = outer_;
  // A journal is listed once per run of changes to it; it is synced once.
  std::vector<const DocJournal*> synced;
  for (const auto& [doc, journal] : pending_) {
    if (std::find(synced.begin(), synced.end(), journal.get()) != synced.end()) continue;
    synced.push_back(journal.get());
    syncJournal(doc, journal);
  }
}

void Vellisto_BigDoc::finishChange(const std::shared_ptr<DocJournal>& toSync) {
  if (toSync) {
    // A change made from a copy is on disk before the call returns (or, inside a SyncTogether, before
    // its owner does). The main thread never waits for the disk: its changes (a choice, a delete) are
    // synced a moment later.
    if (dispatch::MainLoop::isMainThread()) {
      persistQueue()->async([weak = weak_from_this(), toSync] { syncJournal(weak, toSync); });
    } else if (gSyncTogether) {
      auto& pending = gSyncTogether->pending_;
      if (pending.empty() || pending.back().second != toSync) pending.emplace_back(weak_from_this(), toSync);
    } else {
      syncJournal(weak_from_this(), toSync);
    }
  }
  bool broken = false;
  bool retrying = false;
  {
    Lock lock(lock_);
    if (!journal_.dirty) return;
    broken = journal_.broken;
    retrying = journal_.retryDelayMs > 0;
  }
  // While the disk refuses, the retry already scheduled is soon enough; a change does not hasten it.
  if (retrying) return;
  if (broken) {
    requestFold(0);
  } else {
    requestFoldWhenDue();
  }
}

void Vellisto_BigDoc::persist() {
  {
    Lock lock(lock_);
    if (journal_.discarded) return;
    journal_.dirty = true;
    ++journal_.otherChanges;
  }
  requestFold(0);
}

void Vellisto_BigDoc::persistChunk(const Vellisto_Chunk& chunk) {
  std::shared_ptr<DocJournal> toSync;
  {
    Lock lock(lock_);
    const std::optional<std::size_t> slot = slotOfLocked(chunk);
    if (!slot) {
      logWarningf("doc: record %s is not in %s; its change is not written there", chunk.sig().c_str(),
                  filePath_.c_str());
      return;
    }
    toSync = journalLocked(DocJournal::Type::Set, *slot, chunk.stringValue().value_or(""));
  }
  finishChange(toSync);
}

// ---- folding ----

bool Vellisto_BigDoc::foldIsDueLocked() const {
  return journal_.journalChanges >= kMaxJournalChanges ||
         journal_.journalBytes >= std::max(journal_.fileBytes, kMinFoldJournalBytes);
}

bool Vellisto_BigDoc::foldIsUrgentLocked() const { return journal_.journalBytes >= foldAtOnceJournalBytes(); }

void Vellisto_BigDoc::setFoldAtOnceJournalBytesForTesting(std::uint64_t bytes) {
  gFoldAtOnceJournalBytesForTesting.store(bytes, std::memory_order_relaxed);
}

void Vellisto_BigDoc::requestFoldWhenDue() {
  bool due = false;
  bool urgent = false;
  {
    Lock lock(lock_);
    urgent = foldIsUrgentLocked();
    due = foldIsDueLocked();
  }
  if (urgent) {
    // A few more changes of this size and replay would no longer read the journal to its end.
    requestFold(0);
  } else if (due) {
    requestFold(kFoldDelayMs);
  } else if (std::shared_ptr<Vellisto_BigDoc> self = weak_from_this().lock()) {
    // Not yet worth a rewrite: the journal holds the changes, and a flush (quitting) folds them.
    keepWaiting(self);
  }
}

void Vellisto_BigDoc::requestFold(double delayMs) {
  std::shared_ptr<Vellisto_BigDoc> self = weak_from_this().lock();
  if (!self) {
    logWarning("doc: a doc that is not shared cannot be written");
    return;
  }
  const double due = Clock::current().now() + delayMs / 1000.0;
  {
    Lock lock(lock_);
    if (journal_.discarded) return;
    if (journal_.foldDue && *journal_.foldDue <= due) return;
    if (filePath_.empty()) {
      logWarning("doc: a doc without a file path cannot be written");
      return;
    }
    journal_.foldDue = due;
  }
  keepWaiting(self);
  dispatch::after(delayMs, persistQueue(), [weak = weak_from_this()] {
    if (auto doc = weak.lock()) doc->foldWhenDue();
  });
}

void Vellisto_BigDoc::foldWhenDue() {
  {
    Lock lock(lock_);
    // An earlier request took this one's place, or a flush folded the doc meanwhile.
    if (!journal_.foldDue || *journal_.foldDue > Clock::current().now() + 0.001) return;
  }
  fold();
}

void Vellisto_BigDoc::fold() {
  std::string path, folder, text;
  std::shared_ptr<Vellisto_CodecDelegate> codec;
  bool damaged = false;
  bool fileMade = false;
  // Set when the file can grow by the text of the records appended since the last fold.
  std::shared_ptr<const GzipAppender> grown;
  std::size_t slots = 0;
  std::uint64_t otherChanges = 0;
  std::vector<std::uint64_t> covered;
  std::optional<std::uint64_t> markGeneration;
  std::int64_t docId = 0;
  {
    Lock lock(lock_);
    if (journal_.discarded || !journal_.dirty) {
      journal_.foldDue.reset();
      return;
    }
    journal_.foldDue.reset();
    if (filePath_.empty()) {
      logWarning("doc: a doc without a file path cannot be written");
      return;
    }
    path = filePath_;
    folder = folderLocked();
    docId = docId_;
    codec = codec_;
    damaged = damaged_;
    fileMade = journal_.fileMade;
    slots = chunks_.size();
    otherChanges = journal_.otherChanges;
    if (journal_.gzip && !damaged && journal_.otherChanges == journal_.otherChangesAtFold &&
        slots >= journal_.gzipSlots) {
      grown = journal_.gzip;
      text = textFromSlotLocked(journal_.gzipSlots);
    } else {
      text = stringValueLocked();
    }
    // Changes from here on go to a new journal, which starts from exactly this text.
    if (journal_.current) {
      journal_.older.push_back(journal_.current->generation());
      journal_.current.reset();
    }
    covered = journal_.older;
    if (!covered.empty()) markGeneration = journal_.nextGeneration++;
    journal_.carried = journal_.unjournaled;
    journal_.unjournaled = 0;
    journal_.carriedJournalBytes = std::exchange(journal_.journalBytes, 0);
    journal_.carriedJournalChanges = std::exchange(journal_.journalChanges, 0);
    journal_.dirty = false;
  }

  std::string data;
  bool ok = true;
  std::string error;
  std::shared_ptr<const GzipAppender> appender;
  // The default codec's file is one gzip member, which can grow; any other codec encodes the whole.
  const bool canGrow = codec && typeid(*codec) == typeid(Vellisto_DefaultCodec);
  if (grown) {
    auto next = std::make_shared<GzipAppender>(*grown);
    ok = next->append(text);
    appender = next;
  } else if (canGrow && !text.empty()) {
    std::optional<GzipAppender> started = GzipAppender::start(text);
    ok = started.has_value();
    if (started) appender = std::make_shared<GzipAppender>(std::move(*started));
  } else if (!text.empty()) {
    // A doc without records is an empty file, which loads as a doc without records.
    std::optional<std::string> encoded = codec ? codec->encode(text) : std::nullopt;
    ok = encoded.has_value();
    if (encoded) data = std::move(*encoded);
  }
  if (!ok) error = "cannot encode it";
  if (ok && appender) data = appender->member();
  bool folderGone = false;
  // A file that went away took its neighbours with it, as a rule (the folder was removed while the
  // program ran): what is in memory is written again rather than lost.
  const bool fileGone = fileMade && !files::exists(path);
  if (ok) {
    folderGone = !files::isDirectory(folder);
    if (folderGone) {
      ok = files::createDirectories(folder, files::kPrivateFolderMode);
      logWarningf("doc: the folder %s was missing%s", folder.c_str(),
                  ok ? "; made it again" : " and cannot be made");
      if (!ok) error = "no folder";
    }
  }
  bool markWritten = false;
  if (ok && markGeneration) {
    // Before the file changes: should the process die after the rename, the next load knows from this
    // mark that the journals so far are in the file.
    markWritten = ok =
        DocJournal::writeFoldMark(folder, {docId, *markGeneration, 0}, DocJournal::markOf(data), &error);
  }
  if (ok) {
    if (damaged) DocFileReplacer::keepDamagedCopy(path);
    ok = DocFileReplacer::replace(path, data);
    if (!ok && error.empty()) error = "the file cannot be replaced";
  }

  if (!ok) {
    double delay = 0;
    std::uint64_t waiting = 0;
    bool first = false;
    {
      Lock lock(lock_);
      if (markWritten) journal_.older.push_back(*markGeneration);
      journal_.unjournaled += journal_.carried;
      journal_.carried = 0;
      journal_.journalBytes += std::exchange(journal_.carriedJournalBytes, 0);
      journal_.journalChanges += std::exchange(journal_.carriedJournalChanges, 0);
      journal_.dirty = true;
      first = journal_.retryDelayMs == 0;
      journal_.retryDelayMs =
          first ? kFirstRetryDelayMs : std::min(kLongestRetryDelayMs, journal_.retryDelayMs * 2);
      delay = journal_.retryDelayMs;
      waiting = journal_.unjournaled;
    }
    if (first) {
      logErrorf(
          "doc: cannot write %s (%s); %llu changes wait only in memory, the rest in its journals; "
          "trying again",
          path.c_str(), error.c_str(), static_cast<unsigned long long>(waiting));
    }
    requestFold(delay);
    return;
  }

  FoldState& state = foldState();
  state.writes.fetch_add(1, std::memory_order_relaxed);
  state.bytes.fetch_add(data.size(), std::memory_order_relaxed);
  if (fileGone) markFolderGone();

  // Oldest first, and never one past a journal that stays: a newer mark must cover whatever is left.
  if (markGeneration) covered.push_back(*markGeneration);
  std::vector<std::uint64_t> retired;
  for (std::uint64_t generation : covered) {
    const std::string journal = files::joinPath(folder, DocJournal::fileName(docId, generation));
    if (::unlink(journal.c_str()) != 0 && errno != ENOENT) {
      logWarningf("doc: cannot remove %s (%s); it goes with the next write", journal.c_str(),
                  std::strerror(errno));
      break;
    }
    retired.push_back(generation);
  }
  // Gone for good before any later fold renames the doc again.
  // Best effort: without it the removals may come back after a power cut, and replay passes them by.
  (void)files::syncFolder(folder);

  bool again = false;
  bool recovered = false;
  {
    Lock lock(lock_);
    std::erase_if(journal_.older, [&](std::uint64_t g) {
      return std::find(retired.begin(), retired.end(), g) != retired.end();
    });
    if (damaged) damaged_ = false;
    journal_.fileMade = true;
    // What the file holds now can grow by later appends, unless this doc has a successor.
    journal_.gzip = next_ ? nullptr : appender;
    journal_.gzipSlots = slots;
    journal_.otherChangesAtFold = otherChanges;
    journal_.carried = 0;
    journal_.fileBytes = data.size();
    journal_.carriedJournalBytes = 0;
    journal_.carriedJournalChanges = 0;
    if (journal_.broken && journal_.unjournaled == 0) journal_.broken = false;
    recovered = journal_.retryDelayMs > 0;
    journal_.retryDelayMs = 0;
    again = journal_.dirty;
  }
  if (recovered) logf("doc: %s is written again; nothing waits in memory any more", path.c_str());
  if (again) requestFoldWhenDue();
}

void Vellisto_BigDoc::markFolderGone() {
  // The other docs of the chain lie in the same folder: every one is written again from memory, now.
  auto rewrite = [](const std::shared_ptr<Vellisto_BigDoc>& doc) {
    {
      Lock lock(doc->lock_);
      if (doc->journal_.discarded) return;
      doc->journal_.dirty = true;
    }
    doc->fold();
  };
  for (auto doc = prev(); doc; doc = doc->prev()) rewrite(doc);
  for (auto doc = next(); doc; doc = doc->next()) rewrite(doc);
}

void Vellisto_BigDoc::waitForPendingWrites() {
  persistQueue()->sync([] {
    for (const auto& doc : waitingDocs()) doc->fold();
  });
}

std::uint64_t Vellisto_BigDoc::unsavedChangeCount() {
  std::uint64_t count = 0;
  for (const auto& doc : waitingDocs()) {
    Lock lock(doc->lock_);
    if (!doc->journal_.discarded) count += doc->journal_.unjournaled + doc->journal_.carried;
  }
  return count;
}

Vellisto_BigDoc::PersistStats Vellisto_BigDoc::persistStats() {
  FoldState& state = foldState();
  return {state.writes.load(), state.bytes.load(), DocJournal::totalBytesWritten()};
}

void Vellisto_BigDoc::discard() {
  Lock lock(lock_);
  journal_.discarded = true;
  journal_.current.reset();
  journal_.foldDue.reset();
  journal_.dirty = false;
}

bool Vellisto_BigDoc::moveChainToFolder(const std::shared_ptr<Vellisto_BigDoc>& head,
                                        const std::string& folder) {
  std::vector<std::shared_ptr<Vellisto_BigDoc>> docs;
  for (auto doc = head; doc; doc = doc->next()) docs.push_back(doc);
  if (docs.empty()) return false;
  // Head first, as the lock order asks: no change is journaled into the old folder while it moves.
  std::vector<std::unique_lock<Mutex>> locks;
  for (const auto& doc : docs) locks.emplace_back(doc->lock_);
  const std::string current = head->folderLocked();
  if (!files::moveFile(current, folder)) return false;
  for (const auto& doc : docs)
    doc->filePath_ = files::joinPath(folder, files::lastPathComponent(doc->filePath_));
  return true;
}

}  // namespace vl
