#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "VLEngine/doc/index/WeakChunkWrapper.h"
#include "platform/foundation/Mutex.h"

namespace vl {

// A tab's recent list: the records most recently listed or chosen, newest first, held weakly. The main
// list shows it while the query is empty.
//
// Every operation takes the list's own lock; the search engine holds mutex() across a whole listing
// (is it empty, cut it, read it), so the lock is recursive. Lock order: the record store's lock
// (VLEngine::storeMutex) is taken before a recent list's lock, never while holding one.
class ChunkSortedWeakTable {
 public:
  static constexpr std::size_t kKeptEntries = 24;

  static std::shared_ptr<ChunkSortedWeakTable> newTable();

  // A new wrapper for each record, at the end, in the given order (the order of a listing's matches).
  void append(const std::vector<std::shared_ptr<Vellisto_Chunk>>& chunks);
  // A new entry of the record at the front. Callers remove() the record first.
  void head(const std::shared_ptr<Vellisto_Chunk>& chunk);
  // Takes out the record's entries.
  void remove(const std::shared_ptr<Vellisto_Chunk>& chunk);
  // remove() and head() of each record in turn, in one pass over the list: the last record ends first.
  void moveToFront(const std::vector<std::shared_ptr<Vellisto_Chunk>>& chunks);
  // A list of 25 or more entries keeps its first 24.
  void cutIfNeeded();

  std::vector<std::shared_ptr<WeakChunkWrapper>> sortedArray() const;
  void setSortedArray(std::vector<std::shared_ptr<WeakChunkWrapper>> array);
  // The records still alive, newest first.
  std::vector<std::shared_ptr<Vellisto_Chunk>> liveChunks() const;
  bool isEmpty() const;
  // A listing of the whole tab found nothing to list (a history of application records only): the list
  // is empty because the tab is, so new records may join it. Until then an empty list means "not listed
  // yet", and new records wait for the next listing to read them from the docs.
  void markListedEmpty();
  // Whether the list holds the tab's newest records, so that a new record joins it at the front.
  bool holdsNewest() const;
  std::size_t count() const;
  // The time stamp of the last entry's record; 0 for an empty list or a record that is gone.
  double lastTimestamp() const;

  RecursiveMutex& mutex() const VL_RETURN_CAPABILITY(lock_) { return lock_; }

 private:
  mutable RecursiveMutex lock_;
  std::vector<std::shared_ptr<WeakChunkWrapper>> sortedArray_ VL_GUARDED_BY(lock_);
  bool listedEmpty_ VL_GUARDED_BY(lock_) = false;
};

}  // namespace vl
