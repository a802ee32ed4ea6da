#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "VLEngine/doc/bigdoc/Vellisto_CodecDelegate.h"
#include "VLEngine/doc/bigdoc/Vellisto_DocChainOwner.h"
#include "VLEngine/doc/gzip/GzipAppender.h"
#include "VLEngine/doc/index/SignatureIndex.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/foundation/Mutex.h"

namespace vl::dispatch {
class Queue;
}

namespace vl {

class Vellisto_MapDelegate;
class Vellisto_MergeDelegate;
class Vellisto_Task;
class Vellisto_TempFile;

// One doc file of at most about a thousand records, in memory and on disk, as one link of a chain.
//
// The records keep their order of arrival; a slot whose text could not be read holds nullptr (a
// placeholder), so that slot indexes stay those of the file. Every field below is guarded by the doc's
// lock, which nothing outside the doc takes: a record's own fields are read without it (Vellisto_Chunk),
// and changed through changeChunk().
//
// Writing: each change of a slot goes to the doc's journal (DocJournal) as it is made, and is durable
// when the call that made it returns, at a cost that does not grow with the doc. The doc file itself is
// rewritten whole (a fold) on the persistence queue once its journals have grown large against it, as a
// log-structured store compacts, and when everything is flushed (tests, quitting): a repeat of an old
// copy, which stamps a record of an old doc, costs a journal record rather than a rewrite of that doc.
// A change that cannot be journaled (disk full, read-only) stays in memory and makes every later change
// wait for the next fold, which is retried until it succeeds.
//
// Docs are held by std::shared_ptr (a doc hands itself to its queued writes and its records).
// The search slices of a doc (its matcher, merger and per-task answers) join this class with the search
// engine; they take the doc's records under its lock and match them without it.
class Vellisto_BigDoc : public std::enable_shared_from_this<Vellisto_BigDoc> {
 public:
  static constexpr std::int32_t kMaxChunkSize = 1000;
  static constexpr const char* kPersistQueueLabel = "app.vellisto.io.bigdoc.persisit";
  // A doc is folded once its journals hold as many bytes as its file, and at least kMinFoldJournalBytes,
  // or kMaxJournalChanges changes: a change then costs its journal record and a share of folds no larger
  // than that record, and a load replays no more bytes than it reads of the file.
  static constexpr std::uint64_t kMinFoldJournalBytes = 256 << 10;
  static constexpr std::uint64_t kMaxJournalChanges = 2 * static_cast<std::uint64_t>(kMaxChunkSize);
  // A fold that fell due (or a loaded doc's journals) is written this long after.
  static constexpr double kFoldDelayMs = 5000;
  // Replay reads a journal only so far (DocJournal::kMaxReadBytes): once the journals hold this many bytes
  // since the last fold, a fold runs at once, however large the doc and without the delay, so that a
  // journal with one more change of the largest kind still stays within what replay reads.
  static constexpr std::uint64_t kFoldAtOnceJournalBytes = DocJournal::kMaxReadBytes / 4;
  static_assert(kFoldAtOnceJournalBytes + DocJournal::kMaxPayloadBytes + (1u << 20) <
                DocJournal::kMaxReadBytes);
  // Tests lower it (0: the real one), so a journal past it need not be hundreds of megabytes.
  static void setFoldAtOnceJournalBytesForTesting(std::uint64_t bytes);
  // After a fold that failed, the next try waits this long at first, twice as long each time after.
  static constexpr double kFirstRetryDelayMs = 1000;
  static constexpr double kLongestRetryDelayMs = 60000;

  Vellisto_BigDoc();
  ~Vellisto_BigDoc();
  Vellisto_BigDoc(const Vellisto_BigDoc&) = delete;
  Vellisto_BigDoc& operator=(const Vellisto_BigDoc&) = delete;

  // A new doc numbered `docId` in `storePath`, its empty file written at once (or by a fold soon when
  // the disk refuses).
  // nullptr (logged) when a file of that name already holds data, which is never replaced.
  static std::shared_ptr<Vellisto_BigDoc> emptyDoc(std::int64_t docId, const std::string& storePath);

  // Reads the doc file at `path`, whose name must be "BigDoc_<digits>", and replays its journals on top.
  // A damaged file gives the records that precede the damage (logged, and the file is kept until this
  // doc is written). False when the name is not a doc name or the file cannot be read.
  // `folderNames` is the listing of the doc's folder when the caller has it (else it is listed here).
  [[nodiscard]] bool load(const std::string& path, const std::vector<std::string>* folderNames = nullptr);
  // A doc numbered `docId` in `folder` whose file is missing but whose journals are there (a crash right
  // after a roll-over): the journals' records, written to a new file soon.
  [[nodiscard]] bool loadJournalsOnly(const std::string& folder, std::int64_t docId,
                                      const std::vector<std::string>& folderNames);

  // A loaded doc whose journals hold what its file does not is written soon (the chain loader asks; a
  // doc that is only read is never written).
  void foldReplayedJournals();

  std::string stringValue() const;
  // Rewrites the whole doc file soon: for changes no journal entry describes.
  void persist();
  // Journals the record's fields as they are now (time stamp, alias, search words, json). A record that
  // is not in this doc is logged and passed by.
  void persistChunk(const Vellisto_Chunk& chunk);
  // Makes a change of one of this doc's records (`change` says whether it changed anything) with no
  // other change of the doc in between, and journals the record as it then is. A record that left the
  // doc is changed all the same, and nothing is written. Whether it changed.
  bool changeChunk(Vellisto_Chunk& chunk, const std::function<bool()>& change);
  void appendChunk(const std::shared_ptr<Vellisto_Chunk>& chunk);

  // The newest record of this doc with the signature (a walk through the doc; a chain answers from its
  // index, chainIndex).
  std::shared_ptr<Vellisto_Chunk> indexOf(const std::string& signedString) const;
  std::shared_ptr<Vellisto_Chunk> indexOfDigest(const std::string& sig) const;
  bool physicalDeleteChunkByDigest(const std::string& sig);
  bool physicalDeleteChunk(const std::string& signedString);
  void logicalDeleteChunk(std::size_t index);
  void refreshChunk(std::size_t index);
  void updateAlias(std::size_t index, std::string alias);
  void chunkAliasUpdated(const std::shared_ptr<Vellisto_Chunk>& chunk);
  std::vector<std::shared_ptr<Vellisto_Chunk>> getHasAliasChunks() const;
  // Brings the chain's signature index up to date with every record of this doc.
  void resetHits();

  // The signature index of the chain that begins at `head`, made on first use: every doc linked from the
  // head joins it, and so do docs linked after (setNext, a roll-over).
  static std::shared_ptr<SignatureIndex> chainIndex(const std::shared_ptr<Vellisto_BigDoc>& head);
  // The index of the chain this doc is in; nullptr until one was made.
  std::shared_ptr<SignatureIndex> signatureIndex() const;
  // The fields of kind `kind` that this doc's records share while they hold nothing of their own
  // (Vellisto_Chunk), made by `make` when first asked for. Called with or without the doc's lock held.
  std::shared_ptr<const Vellisto_Chunk::Fields> sharedFields(
      std::size_t kind, const std::function<std::shared_ptr<const Vellisto_Chunk::Fields>()>& make);

  std::string docName() const;
  std::string tmpDocName(std::int64_t n) const;
  static std::string docFileName(std::int64_t docId);
  // The number of a "BigDoc_<digits>" name; nothing for any other name.
  static std::optional<std::int64_t> docIdOfFileName(std::string_view name);

  std::int32_t maxChunkSize() const { return maxChunkSize_; }
  // Docs made from now on roll over at `size` slots (0: the real size), so tests reach a roll-over fast.
  static void setMaxChunkSizeForTesting(std::int32_t size);
  std::int64_t docId() const;
  std::string filePath() const;
  void setFilePath(std::string path);
  std::shared_ptr<Vellisto_BigDoc> prev() const;
  void setPrev(const std::shared_ptr<Vellisto_BigDoc>& doc);
  std::shared_ptr<Vellisto_BigDoc> next() const;
  void setNext(std::shared_ptr<Vellisto_BigDoc> doc);
  std::shared_ptr<Vellisto_CodecDelegate> codec() const;
  void setCodec(std::shared_ptr<Vellisto_CodecDelegate> codec);
  std::shared_ptr<Vellisto_DocChainOwner> chainOwner() const;
  void setChainOwner(const std::shared_ptr<Vellisto_DocChainOwner>& owner);

  // A snapshot of the slots; placeholders are nullptr.
  std::vector<std::shared_ptr<Vellisto_Chunk>> chunks() const;
  std::size_t chunkCount() const;
  // nullptr (logged) for an index out of range; nullptr for a placeholder.
  std::shared_ptr<Vellisto_Chunk> chunkAt(std::size_t index) const;
  // True from a load that met damage or unreadable records until the next successful write.
  bool isDamaged() const;

  // The one queue every doc writes through.
  static std::shared_ptr<dispatch::Queue> persistQueue();
  // Writes every doc file that does not hold all its doc's changes yet, and returns when that is done
  // (or failed): what quitting and the tests call.
  static void waitForPendingWrites();
  // Changes made in this process that are neither journaled nor in a doc file (the disk refused both).
  static std::uint64_t unsavedChangeCount();
  // While one lives on a thread (not the main one), the changes that thread makes are journaled as
  // they are made and synced together when it goes, once per journal, rather than one at a time: a
  // merge of thousands of records from a peer waits for the disk once per doc, not once per record. Its
  // owner returns only once they are durable.
  class SyncTogether {
   public:
    SyncTogether();
    ~SyncTogether();
    SyncTogether(const SyncTogether&) = delete;
    SyncTogether& operator=(const SyncTogether&) = delete;

   private:
    friend class Vellisto_BigDoc;
    SyncTogether* outer_;
    std::vector<std::pair<std::weak_ptr<Vellisto_BigDoc>, std::shared_ptr<DocJournal>>> pending_;
  };
  // The doc's folder was deleted on purpose (a removed pin tab): nothing of it is written any more.
  void discard();
  // Moves the folder of a chain (a renamed pin tab) with its docs and journals, holding every doc of the
  // chain so no change is journaled into the old folder meanwhile. Call on the persistence queue.
  // Holds every doc's lock through a vector of locks, which the lock analysis cannot follow.
  [[nodiscard]] static bool moveChainToFolder(const std::shared_ptr<Vellisto_BigDoc>& head,
                                              const std::string& folder) VL_NO_THREAD_SAFETY_ANALYSIS;
  // Images named by "forever_image" are removed on delete only when they lie inside this folder.
  static void setForeverPath(std::string path);
  static std::string foreverPath();
  // Where forever images are removed; the process-wide concurrent queue unless a test sets another.
  static void setFileRemovalQueue(std::shared_ptr<dispatch::Queue> queue);

  // ---- search and listing (Vellisto_BigDoc+Search.cpp) ----

  // A search looks at the doc in slices of this many records, on the doc's concurrent queue.
  static constexpr std::size_t kSearchSliceSize = 100;
  // Each answers the task master asynchronously, from the doc's search queue.
  void doSearch(const std::shared_ptr<Vellisto_Task>& task);
  void noneInput(const std::shared_ptr<Vellisto_Task>& task);
  void noneInputLoadMore(const std::shared_ptr<Vellisto_Task>& task);
  void error(const std::shared_ptr<Vellisto_Task>& task);
  // The next search looks at the whole doc again.
  void cleanMatchedChunks();
  // The records of all the lists' matches, in list order; with `starts`, also where each first matched.
  static std::vector<std::shared_ptr<Vellisto_Chunk>> getChunksFromUnmergeList(
      const std::vector<std::shared_ptr<Vellisto_TempFile>>& files,
      std::vector<TextPosition>* starts = nullptr);
  // The doc's matcher and merger; a doc nobody configured makes the defaults on first use.
  std::shared_ptr<Vellisto_MapDelegate> map() const;
  void setMap(std::shared_ptr<Vellisto_MapDelegate> map);
  std::shared_ptr<Vellisto_MergeDelegate> merge() const;
  void setMerge(std::shared_ptr<Vellisto_MergeDelegate> merge);

  struct PersistStats {
    // Doc files written whole, and their bytes.
    std::uint64_t writes = 0;
    std::uint64_t bytes = 0;
    // Bytes written to journals.
    std::uint64_t journalBytes = 0;
  };
  static PersistStats persistStats();

 private:
  // ---- journal and folds (Vellisto_BigDoc+Journal.cpp) ----
  struct JournalState {
    // Where changes go now; opened by the first change after a fold.
    std::shared_ptr<DocJournal> current;
    // Generations on disk, other than current, whose changes the doc file may not hold yet (ascending).
    std::vector<std::uint64_t> older;
    std::uint64_t nextGeneration = 1;
    // A change could not be journaled: later changes are not journaled either (their slots would not
    // fit) until a fold has written them all.
    bool broken = false;
    // Changes only in memory since the last snapshot of a fold, and those the running fold carries.
    std::uint64_t unjournaled = 0;
    std::uint64_t carried = 0;
    // The doc differs from its file.
    bool dirty = false;
    // When the next fold is due (seconds of the process clock); unset when none is scheduled.
    std::optional<double> foldDue;
    double retryDelayMs = 0;
    bool discarded = false;
    // The doc's file was there once (loaded, made or written): should it be missing, it was removed.
    bool fileMade = false;
    // The file as the last fold wrote it, ready to grow: while only appends follow (copies into the
    // newest doc), the next fold compresses the new records alone. Valid for the first `gzipSlots` slots.
    std::shared_ptr<const GzipAppender> gzip;
    std::size_t gzipSlots = 0;
    // Changes other than appends so far; a fold may grow its file only when none came since the last.
    std::uint64_t otherChanges = 0;
    std::uint64_t otherChangesAtFold = 0;
    // The bytes of the doc file (as the last fold wrote it, or the load read it), and the bytes and
    // changes of the journals since: what makes a fold due. The running fold carries the latter two.
    std::uint64_t fileBytes = 0;
    std::uint64_t journalBytes = 0;
    std::uint64_t journalChanges = 0;
    std::uint64_t carriedJournalBytes = 0;
    std::uint64_t carriedJournalChanges = 0;
  };

  void replayJournals(const std::string& folder, const std::string& fileBytes,
                      const std::vector<std::string>& folderNames) VL_REQUIRES(lock_);
  // One journal's replay (Vellisto_BigDoc+Replay.cpp): a change applied, and the slot a change names.
  struct ReplayState;
  void replayChangeLocked(ReplayState& state, DocJournal::Change&& change) VL_REQUIRES(lock_);
  std::optional<std::size_t> replaySlotOfLocked(const ReplayState& state, std::uint64_t rank) const
      VL_REQUIRES(lock_);
  std::optional<std::size_t> replayTargetLocked(ReplayState& state, std::uint64_t rank,
                                                const std::string& sig) VL_REQUIRES(lock_);
  // Under lock_, before the change alters the slots: journals a change of the slot `index` (of nothing,
  // for an append); gives the journal to sync once the lock is released.
  std::shared_ptr<DocJournal> journalLocked(DocJournal::Type type, std::size_t index, std::string text)
      VL_REQUIRES(lock_);
  std::shared_ptr<DocJournal> journalChangeLocked(const DocJournal::Change& change) VL_REQUIRES(lock_);
  // Records are the slots a rewrite keeps: neither placeholders nor deleted in place.
  static bool isRecord(const std::shared_ptr<Vellisto_Chunk>& chunk) {
    return chunk && !chunk->isLogicallyDeleted();
  }
  void breakJournalLocked(const std::string& why) VL_REQUIRES(lock_);
  // Outside lock_: makes the change durable and schedules the fold.
  void finishChange(const std::shared_ptr<DocJournal>& toSync);
  // Syncs the journal; one that cannot be synced stops the doc's journaling until the next fold.
  static void syncJournal(const std::weak_ptr<Vellisto_BigDoc>& doc,
                          const std::shared_ptr<DocJournal>& journal);
  bool foldIsDueLocked() const VL_REQUIRES(lock_);
  bool foldIsUrgentLocked() const VL_REQUIRES(lock_);
  // A fold soon when the journals are due, else only by the next flush.
  void requestFoldWhenDue();
  void requestFold(double delayMs);
  void foldWhenDue();
  // Persistence queue only: rewrites the doc file and retires the journals it now holds.
  void fold();
  void markFolderGone();
  std::string folderLocked() const VL_REQUIRES(lock_);
  // The text the slots from `from` on add to the text of the slots before them.
  std::string textFromSlotLocked(std::size_t from) const VL_REQUIRES(lock_);
  std::string stringValueLocked() const VL_REQUIRES(lock_);
  // The slot that holds the record; nothing when it is not in this doc.
  std::optional<std::size_t> slotOfLocked(const Vellisto_Chunk& chunk) const VL_REQUIRES(lock_);
  // The newest slot whose record has the signature.
  std::optional<std::size_t> slotOfDigestLocked(const std::string& sig) const VL_REQUIRES(lock_);
  std::shared_ptr<Vellisto_BigDoc> rollOverLocked() VL_REQUIRES(lock_);
  void indexSlotLocked(const std::shared_ptr<Vellisto_Chunk>& chunk, std::size_t index) VL_REQUIRES(lock_);
  // The records now in the doc join the chain's index; leaveIndexLocked takes them out before the doc's
  // records are replaced wholesale (a load).
  void resetHitsLocked() VL_REQUIRES(lock_);
  void leaveIndexLocked() VL_REQUIRES(lock_);
  void joinIndex(const std::shared_ptr<SignatureIndex>& index);
  bool validIndexLocked(std::size_t index, const char* operation) const VL_REQUIRES(lock_);
  static void removeForeverImage(const std::string& path);
  void listing(const std::shared_ptr<Vellisto_Task>& task, double earlierThan);
  std::shared_ptr<dispatch::Queue> searchQueue();

  mutable Mutex lock_;
  std::int32_t maxChunkSize_ = kMaxChunkSize;
  std::int64_t docId_ VL_GUARDED_BY(lock_) = 0;
  std::weak_ptr<Vellisto_BigDoc> prev_ VL_GUARDED_BY(lock_);
  std::shared_ptr<Vellisto_BigDoc> next_ VL_GUARDED_BY(lock_);
  std::vector<std::shared_ptr<Vellisto_Chunk>> chunks_ VL_GUARDED_BY(lock_);
  std::shared_ptr<Vellisto_CodecDelegate> codec_ VL_GUARDED_BY(lock_);
  // The chain's signature index, once the chain has one.
  std::shared_ptr<SignatureIndex> index_ VL_GUARDED_BY(lock_);
  // A leaf: taken with or without lock_.
  Mutex sharedFieldsLock_;
  std::array<std::shared_ptr<const Vellisto_Chunk::Fields>, Vellisto_Chunk::kSharedFieldKinds> sharedFields_
      VL_GUARDED_BY(sharedFieldsLock_);
  std::string filePath_ VL_GUARDED_BY(lock_);
  std::weak_ptr<Vellisto_DocChainOwner> chainOwner_ VL_GUARDED_BY(lock_);
  bool damaged_ VL_GUARDED_BY(lock_) = false;
  JournalState journal_ VL_GUARDED_BY(lock_);
  // Search slices.
  mutable std::shared_ptr<Vellisto_MapDelegate> map_ VL_GUARDED_BY(lock_);
  mutable std::shared_ptr<Vellisto_MergeDelegate> merge_ VL_GUARDED_BY(lock_);
  std::shared_ptr<dispatch::Queue> searchQueue_ VL_GUARDED_BY(lock_);
};

}  // namespace vl
