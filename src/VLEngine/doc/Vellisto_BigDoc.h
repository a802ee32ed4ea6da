#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "VLEngine/doc/Vellisto_Chunk.h"
#include "VLEngine/doc/Vellisto_CodecDelegate.h"
#include "VLEngine/doc/Vellisto_DocChainOwner.h"
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
// mutex; writes go through one serial queue and never block the caller on disk. The mutex is recursive:
// a caller may hold it while it sends a search task, whose doSearch() takes it on the same thread for
// the doc's matcher, merger and search queue.
//
// Docs are held by std::shared_ptr (a doc hands itself to its queued writes and its records).
// The search slices of a doc (its matcher, merger and per-task answers) join this class with the search
// engine; they read the records through chunks() and the lock.
class Vellisto_BigDoc : public std::enable_shared_from_this<Vellisto_BigDoc> {
 public:
  static constexpr std::int32_t kMaxChunkSize = 1000;
  static constexpr const char* kPersistQueueLabel = "app.vellisto.io.bigdoc.persisit";

  Vellisto_BigDoc();
  Vellisto_BigDoc(const Vellisto_BigDoc&) = delete;
  Vellisto_BigDoc& operator=(const Vellisto_BigDoc&) = delete;

  // A new doc numbered `docId` in `storePath`; its empty file is written through the persistence queue.
  // nullptr (logged) when a file of that name already holds data, which is never replaced.
  static std::shared_ptr<Vellisto_BigDoc> emptyDoc(std::int64_t docId, const std::string& storePath);

  // Reads the doc file at `path`, whose name must be "BigDoc_<digits>". A damaged file gives the
  // records that precede the damage (logged, and the file is kept until this doc is written). False
  // when the name is not a doc name or the file cannot be read.
  bool load(const std::string& path);

  std::string stringValue() const;
  // Queues a write of the doc as it will be when the write runs; writes already queued for this doc
  // and not yet started absorb the request.
  void persist();
  void appendChunk(const std::shared_ptr<Vellisto_Chunk>& chunk);

  std::shared_ptr<Vellisto_Chunk> indexOf(const std::string& signedString) const;
  std::shared_ptr<Vellisto_Chunk> indexOfDigest(const std::string& sig) const;
  bool physicalDeleteChunkByDigest(const std::string& sig);
  bool physicalDeleteChunk(const std::string& signedString);
  void logicalDeleteChunk(std::size_t index);
  void refreshChunk(std::size_t index);
  void updateAlias(std::size_t index, std::string alias);
  void chunkAliasUpdated(const std::shared_ptr<Vellisto_Chunk>& chunk);
  std::vector<std::shared_ptr<Vellisto_Chunk>> getHasAliasChunks() const;
  void resetHits();

  std::string docName() const;
  std::string tmpDocName(std::int64_t n) const;
  static std::string docFileName(std::int64_t docId);
  // The number of a "BigDoc_<digits>" name; nothing for any other name.
  static std::optional<std::int64_t> docIdOfFileName(std::string_view name);

  RecursiveMutex& mutex() const VL_RETURN_CAPABILITY(lock_) { return lock_; }
  std::int32_t maxChunkSize() const { return maxChunkSize_; }
  std::int64_t docId() const;
  void setDocId(std::int64_t docId);
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
  // Returns once every write queued before the call has finished.
  static void waitForPendingWrites();
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
    std::uint64_t writes = 0;
    std::uint64_t bytes = 0;
  };
  static PersistStats persistStats();

 private:
  void writeNow();
  std::shared_ptr<Vellisto_BigDoc> rollOverLocked() VL_REQUIRES(lock_);
  void indexSlotLocked(const std::shared_ptr<Vellisto_Chunk>& chunk, std::size_t index) VL_REQUIRES(lock_);
  void resetHitsLocked() VL_REQUIRES(lock_);
  bool validIndexLocked(std::size_t index, const char* operation) const VL_REQUIRES(lock_);
  static void removeForeverImage(const std::string& path);
  void listing(const std::shared_ptr<Vellisto_Task>& task, double earlierThan);
  std::shared_ptr<dispatch::Queue> searchQueue();

  mutable RecursiveMutex lock_;
  std::int32_t maxChunkSize_ = kMaxChunkSize;
  std::int64_t docId_ VL_GUARDED_BY(lock_) = 0;
  std::weak_ptr<Vellisto_BigDoc> prev_ VL_GUARDED_BY(lock_);
  std::shared_ptr<Vellisto_BigDoc> next_ VL_GUARDED_BY(lock_);
  std::vector<std::shared_ptr<Vellisto_Chunk>> chunks_ VL_GUARDED_BY(lock_);
  std::shared_ptr<Vellisto_CodecDelegate> codec_ VL_GUARDED_BY(lock_);
  std::unordered_map<std::string, std::size_t> hits_ VL_GUARDED_BY(lock_);
  std::unordered_map<std::string, std::size_t> alisHits_ VL_GUARDED_BY(lock_);
  std::string filePath_ VL_GUARDED_BY(lock_);
  std::weak_ptr<Vellisto_DocChainOwner> chainOwner_ VL_GUARDED_BY(lock_);
  bool damaged_ VL_GUARDED_BY(lock_) = false;
  std::atomic<bool> writePending_{false};
  // Search slices.
  mutable std::shared_ptr<Vellisto_MapDelegate> map_ VL_GUARDED_BY(lock_);
  mutable std::shared_ptr<Vellisto_MergeDelegate> merge_ VL_GUARDED_BY(lock_);
  std::shared_ptr<dispatch::Queue> searchQueue_ VL_GUARDED_BY(lock_);
};

}  // namespace vl
