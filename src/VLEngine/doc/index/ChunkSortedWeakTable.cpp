#include "VLEngine/doc/index/ChunkSortedWeakTable.h"

#include <algorithm>
#include <unordered_set>

namespace vl {

std::shared_ptr<ChunkSortedWeakTable> ChunkSortedWeakTable::newTable() {
  return std::make_shared<ChunkSortedWeakTable>();
}

void ChunkSortedWeakTable::append(const std::vector<std::shared_ptr<Vellisto_Chunk>>& chunks) {
  RecursiveMutexLock lock(lock_);
  sortedArray_.reserve(sortedArray_.size() + chunks.size());
  for (const auto& chunk : chunks) {
    if (chunk) sortedArray_.push_back(WeakChunkWrapper::ofChunk(chunk));
  }
}

void ChunkSortedWeakTable::head(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return;
  RecursiveMutexLock lock(lock_);
  sortedArray_.insert(sortedArray_.begin(), WeakChunkWrapper::ofChunk(chunk));
}

void ChunkSortedWeakTable::remove(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return;
  RecursiveMutexLock lock(lock_);
  std::erase_if(sortedArray_, [&](const auto& wrapper) { return wrapper && wrapper->isOf(chunk.get()); });
  // Emptied by removals, it no longer tells what the tab holds: the next listing reads the docs.
  if (sortedArray_.empty()) listedEmpty_ = false;
}

void ChunkSortedWeakTable::moveToFront(const std::vector<std::shared_ptr<Vellisto_Chunk>>& chunks) {
  std::unordered_set<const Vellisto_Chunk*> moving;
  std::vector<std::shared_ptr<WeakChunkWrapper>> front;
  for (auto it = chunks.rbegin(); it != chunks.rend(); ++it) {
    if (*it && moving.insert(it->get()).second) front.push_back(WeakChunkWrapper::ofChunk(*it));
  }
  RecursiveMutexLock lock(lock_);
  std::erase_if(sortedArray_,
                [&](const auto& wrapper) { return wrapper && moving.count(wrapper->identity()); });
  sortedArray_.insert(sortedArray_.begin(), std::make_move_iterator(front.begin()),
                      std::make_move_iterator(front.end()));
}

void ChunkSortedWeakTable::cutIfNeeded() {
  RecursiveMutexLock lock(lock_);
  if (sortedArray_.size() > kKeptEntries) sortedArray_.resize(kKeptEntries);
}

std::vector<std::shared_ptr<WeakChunkWrapper>> ChunkSortedWeakTable::sortedArray() const {
  RecursiveMutexLock lock(lock_);
  return sortedArray_;
}

void ChunkSortedWeakTable::setSortedArray(std::vector<std::shared_ptr<WeakChunkWrapper>> array) {
  RecursiveMutexLock lock(lock_);
  sortedArray_ = std::move(array);
  listedEmpty_ = false;
}

std::vector<std::shared_ptr<Vellisto_Chunk>> ChunkSortedWeakTable::liveChunks() const {
  RecursiveMutexLock lock(lock_);
  std::vector<std::shared_ptr<Vellisto_Chunk>> out;
  out.reserve(sortedArray_.size());
  for (const auto& wrapper : sortedArray_) {
    if (auto chunk = wrapper ? wrapper->weakChunk() : nullptr) out.push_back(std::move(chunk));
  }
  return out;
}

bool ChunkSortedWeakTable::isEmpty() const {
  RecursiveMutexLock lock(lock_);
  return sortedArray_.empty();
}

void ChunkSortedWeakTable::markListedEmpty() {
  RecursiveMutexLock lock(lock_);
  listedEmpty_ = sortedArray_.empty();
}

bool ChunkSortedWeakTable::holdsNewest() const {
  RecursiveMutexLock lock(lock_);
  return !sortedArray_.empty() || listedEmpty_;
}

std::size_t ChunkSortedWeakTable::count() const {
  RecursiveMutexLock lock(lock_);
  return sortedArray_.size();
}

double ChunkSortedWeakTable::lastTimestamp() const {
  std::shared_ptr<Vellisto_Chunk> last;
  {
    RecursiveMutexLock lock(lock_);
    if (sortedArray_.empty() || !sortedArray_.back()) return 0;
    last = sortedArray_.back()->weakChunk();
  }
  return last ? last->timestampValue() : 0;
}

}  // namespace vl
