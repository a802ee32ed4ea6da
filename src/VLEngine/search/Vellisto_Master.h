#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "VLEngine/search/Vellisto_DisplayDelegate.h"
#include "VLEngine/search/Vellisto_MergeDelegate.h"
#include "VLEngine/search/Vellisto_Task.h"
#include "platform/foundation/Mutex.h"

namespace vl {

class Vellisto_BigDoc;
class Vellisto_Chunk;

// The task master: registers tasks, sends them along a chain of docs, gathers the docs' answers and,
// when the last one arrives, merges them, converts them to rows and hands the rows to the task's
// channel. Answers and rows of a task that a newer one has overtaken are dropped.
//
// The registry is guarded by its own lock; the id counter is atomic, so the stale tests read it
// without one.
//
// Lock order of the record store's search, outermost first; a thread holding one of these takes only
// locks further down the list:
//   1. the store lock (VLEngine::storeMutex)
//   2. a recent list's lock (ChunkSortedWeakTable::mutex)
//   3. a doc's lock (Vellisto_BigDoc::mutex); several only in chain order, head first
//   4. leaf locks, under which nothing else is taken and no other thread is waited for: a task's lock
//      (Vellisto_Task::mutex), the master's registry lock, the display's and the font provider's locks
// So the master counts answers under the task lock and lets go of it before it merges and builds
// rows, which read records under their docs' locks; and a caller may send a task while it holds a
// doc or list lock.
class Vellisto_Master {
 public:
  static Vellisto_Master& shared();
  Vellisto_Master();
  Vellisto_Master(const Vellisto_Master&) = delete;
  Vellisto_Master& operator=(const Vellisto_Master&) = delete;

  // Registers the task and asks `docCount` docs from `doc` along the chain. A chain shorter than the
  // count is asked as far as it goes; a task that no doc answers (a tab without docs) completes at
  // once with an empty result.
  void sendTask(const std::shared_ptr<Vellisto_Task>& task, const std::shared_ptr<Vellisto_BigDoc>& doc);
  // Gives the task the next id and enters it in the registry.
  void insertTask(const std::shared_ptr<Vellisto_Task>& task) VL_EXCLUDES(registryLock_);
  void removeTask(const std::shared_ptr<Vellisto_Task>& task) VL_EXCLUDES(registryLock_);
  bool existingTask(std::uint64_t taskId) const;
  // The id of the newest registered task.
  std::uint64_t getAtomTaskId() const { return atomTaskId_.load(); }
  // Whether a newer task has been registered since this one.
  bool isStale(std::uint64_t taskId) const { return taskId < getAtomTaskId(); }

  // A doc's answer to a task; `from` is the doc that answers.
  void push(std::uint64_t taskId, std::shared_ptr<Vellisto_TempFile> file,
            const Vellisto_BigDoc* from = nullptr);

  // Chain walks from `doc` along next().
  static std::shared_ptr<Vellisto_Chunk> hit(const std::string& signedString,
                                             std::shared_ptr<Vellisto_BigDoc> doc);
  static std::shared_ptr<Vellisto_Chunk> hitByDigest(const std::string& sig,
                                                     std::shared_ptr<Vellisto_BigDoc> doc);
  static bool physicalDelByDigest(const std::string& sig, std::shared_ptr<Vellisto_BigDoc> doc);
  static bool physicalDel(const std::string& signedString, std::shared_ptr<Vellisto_BigDoc> doc);
  static void cleanMatchedChunksIn(std::shared_ptr<Vellisto_BigDoc> doc);

  // Gives a doc the matcher (with ApplicationSearching) and merger every doc of the store has, ahead of
  // its first search (benchmarks); a doc that was not configured makes the same on first use.
  static void configureDoc(const std::shared_ptr<Vellisto_BigDoc>& doc);

  std::shared_ptr<Vellisto_MergeDelegate> merge() const VL_EXCLUDES(registryLock_);
  void setMerge(std::shared_ptr<Vellisto_MergeDelegate> merge) VL_EXCLUDES(registryLock_);
  std::shared_ptr<Vellisto_DisplayDelegate> display() const VL_EXCLUDES(registryLock_);
  std::size_t processingCount() const VL_EXCLUDES(registryLock_);

 private:
  std::shared_ptr<Vellisto_Task> taskOf(std::uint64_t taskId) const VL_EXCLUDES(registryLock_);
  // Once every answer is in, with no lock held: merges, hands the rows over and unregisters the task.
  void complete(const std::shared_ptr<Vellisto_Task>& task, double startMs);

  mutable Mutex registryLock_;
  std::unordered_map<std::string, std::shared_ptr<Vellisto_Task>> processing_ VL_GUARDED_BY(registryLock_);
  std::atomic<std::uint64_t> atomTaskId_{0};
  std::shared_ptr<Vellisto_MergeDelegate> merge_ VL_GUARDED_BY(registryLock_);
  std::shared_ptr<Vellisto_DisplayDelegate> display_ VL_GUARDED_BY(registryLock_);
};

}  // namespace vl
