#include "VLEngine/search/Vellisto_Master.h"

#include <cinttypes>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "VLEngine/search/SearchCostRecord.h"
#include "VLEngine/search/Vellisto_DefaultAttributed.h"
#include "VLEngine/search/Vellisto_DefaultDisplay.h"
#include "VLEngine/search/Vellisto_DefaultMap.h"
#include "VLEngine/search/Vellisto_DefaultMerge.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// A chain is a list; a damaged one must not make a walk loop for ever.
constexpr std::size_t kMaxChainWalk = std::size_t{1} << 20;

template <typename Visit>
void walk(std::shared_ptr<Vellisto_BigDoc> doc, Visit visit) {
  for (std::size_t steps = 0; doc; doc = doc->next()) {
    if (++steps > kMaxChainWalk) {
      logWarning("search: a doc chain does not end; the walk stops");
      return;
    }
    if (visit(doc)) return;
  }
}

}  // namespace

Vellisto_Master& Vellisto_Master::shared() {
  static Vellisto_Master* master = new Vellisto_Master();
  return *master;
}

Vellisto_Master::Vellisto_Master() {
  auto display = std::make_shared<Vellisto_DefaultDisplay>();
  display->setAttrDecorator(std::make_shared<Vellisto_DefaultAttributed>());
  display_ = display;
  merge_ = std::make_shared<Vellisto_DefaultMerge>();
}

void Vellisto_Master::configureDoc(const std::shared_ptr<Vellisto_BigDoc>& doc) {
  if (!doc) return;
  doc->setMap(Vellisto_DefaultMap::withApplicationSearching());
  doc->setMerge(std::make_shared<Vellisto_DefaultMerge>());
}

// ---- registry ----

void Vellisto_Master::insertTask(const std::shared_ptr<Vellisto_Task>& task) {
  if (!task) return;
  MutexLock lock(registryLock_);
  task->setTaskId(atomTaskId_.fetch_add(1) + 1);
  processing_[task->stringTaskId()] = task;
}

void Vellisto_Master::removeTask(const std::shared_ptr<Vellisto_Task>& task) {
  if (!task) return;
  MutexLock lock(registryLock_);
  processing_.erase(task->stringTaskId());
}

bool Vellisto_Master::existingTask(std::uint64_t taskId) const { return taskOf(taskId) != nullptr; }

std::shared_ptr<Vellisto_Task> Vellisto_Master::taskOf(std::uint64_t taskId) const {
  MutexLock lock(registryLock_);
  auto it = processing_.find(std::to_string(static_cast<std::int64_t>(taskId)));
  return it == processing_.end() ? nullptr : it->second;
}

std::size_t Vellisto_Master::processingCount() const {
  MutexLock lock(registryLock_);
  return processing_.size();
}

// ---- sending and answering ----

void Vellisto_Master::sendTask(const std::shared_ptr<Vellisto_Task>& task,
                               const std::shared_ptr<Vellisto_BigDoc>& doc) {
  if (!task) return;
  const double start = SearchCostRecord::nowMs();
  insertTask(task);
  const std::int32_t type = task->type();
  if (type < Vellisto_Task::kListing || type > Vellisto_Task::kLoadMore) {
    logWarningf("search: task of unknown type %d; no doc is asked", type);
    removeTask(task);
    return;
  }
  // The docs are gathered before any is asked, so the count of answers to wait for is settled before
  // the first answer can arrive.
  std::vector<std::shared_ptr<Vellisto_BigDoc>> docs;
  const std::uint64_t wanted = task->docCount();
  walk(doc, [&](const std::shared_ptr<Vellisto_BigDoc>& d) {
    if (docs.size() >= wanted) return true;
    docs.push_back(d);
    return false;
  });
  {
    std::lock_guard<std::mutex> lock(task->mutex());
    if (docs.size() != wanted) {
      logWarningf("search: task %s wants %" PRIu64 " docs, the chain has %zu", task->stringTaskId().c_str(),
                  wanted, docs.size());
      task->setDocCount(docs.size());
    }
    std::vector<const Vellisto_BigDoc*> order;
    for (const auto& d : docs) order.push_back(d.get());
    task->setDocs(std::move(order));
  }
  // No doc to ask (a tab without docs): the answer is an empty list, not silence.
  if (docs.empty()) {
    complete(task, start);
    return;
  }
  for (const auto& d : docs) {
    switch (type) {
      case Vellisto_Task::kSearch:
        d->doSearch(task);
        break;
      case Vellisto_Task::kListing:
        d->noneInput(task);
        break;
      case Vellisto_Task::kLoadMore:
        d->noneInputLoadMore(task);
        break;
      case Vellisto_Task::kErrorListing:
        d->error(task);
        break;
    }
  }
}

void Vellisto_Master::push(std::uint64_t taskId, std::shared_ptr<Vellisto_TempFile> file,
                           const Vellisto_BigDoc* from) {
  const double start = SearchCostRecord::nowMs();
  std::shared_ptr<Vellisto_Task> task = taskOf(taskId);
  if (isStale(taskId)) {
    // An overtaken task can never complete: its answers are dropped before they are counted, so it
    // leaves the registry now rather than stay there for good.
    if (task) removeTask(task);
    return;
  }
  if (!task) return;
  {
    std::lock_guard<std::mutex> lock(task->mutex());
    if (task->finishedCount() >= task->docCount()) return;  // an answer too many
    task->setFinishedCount(task->finishedCount() + 1);
    task->addFile(file ? std::move(file) : Vellisto_TempFile::make(), from);
    if (task->finishedCount() != task->docCount()) return;
  }
  // The last answer is in: no other thread touches the task's answers from here on (a late one is
  // refused above), so the merge and the rows, which take doc and list locks, run without the task's.
  complete(task, start);
}

void Vellisto_Master::complete(const std::shared_ptr<Vellisto_Task>& task, double startMs) {
  logDebug("task finished");
  task->orderFiles();
  std::shared_ptr<Vellisto_MergeDelegate> merger = merge();
  std::shared_ptr<Vellisto_DisplayDelegate> converter = display();
  std::shared_ptr<Vellisto_TempFile> merged;
  switch (task->type()) {
    case Vellisto_Task::kSearch: {
      // Every match counts; only those that become rows are merged.
      long found = 0;
      for (const auto& file : task->files()) found += file ? static_cast<long>(file->count()) : 0L;
      merged = merger ? merger->mergingOrderByPriorityFirst(std::move(task->mutableFiles()),
                                                            converter ? converter->maxRows() : SIZE_MAX)
                      : nullptr;
      logDebugf("final file size %ld", found);
      break;
    }
    case Vellisto_Task::kListing:
    case Vellisto_Task::kLoadMore:
      merged = merger ? merger->mergingOrderByTimestamp(task->files()) : nullptr;
      if (auto table = task->sortedTable(); table && merged) {
        std::vector<std::shared_ptr<Vellisto_Chunk>> chunks;
        chunks.reserve(merged->count());
        for (const auto& match : merged->indexs()) chunks.push_back(match.chunkRef());
        RecursiveMutexLock tableLock(table->mutex());
        table->append(chunks);
        if (task->type() == Vellisto_Task::kListing && chunks.empty()) table->markListedEmpty();
      }
      break;
    case Vellisto_Task::kErrorListing:
      merged = merger ? merger->mergingOrderByTimestamp(task->files()) : nullptr;
      break;
    default:
      break;
  }
  if (!isStale(task->taskId())) {
    const double receiveStart = SearchCostRecord::nowMs();
    DisplayRows rows = (converter && merged) ? converter->covert(*merged) : DisplayRows();
    if (auto channel = task->channel()) {
      channel->receivedData(rows, static_cast<std::int64_t>(task->taskId()),
                            task->type() == Vellisto_Task::kLoadMore);
      // The channel is the result list's view: should the window have let go of it meanwhile, this
      // reference is the last, and a view is destroyed on the main thread only.
      if (!dispatch::MainLoop::isMainThread()) dispatch::Queue::main()->async([last = std::move(channel)] {});
    }
    SearchCostRecord::logCost("recevie", receiveStart);
  }
  removeTask(task);
  SearchCostRecord::logCost("merge", startMs);
  // A search lets go of several times its rows in matches; once the user stops typing, that goes back.
  FreedMemory::returnWhenQuiet();
}

// ---- chain walks ----

std::shared_ptr<Vellisto_Chunk> Vellisto_Master::hit(const std::string& signedString,
                                                     std::shared_ptr<Vellisto_BigDoc> doc) {
  return hitByDigest(Vellisto_Chunk::md5HexDigest(signedString), std::move(doc));
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Master::hitByDigest(const std::string& sig,
                                                             std::shared_ptr<Vellisto_BigDoc> doc) {
  std::shared_ptr<Vellisto_Chunk> found;
  walk(std::move(doc),
       [&](const std::shared_ptr<Vellisto_BigDoc>& d) { return (found = d->indexOfDigest(sig)) != nullptr; });
  return found;
}

bool Vellisto_Master::physicalDelByDigest(const std::string& sig, std::shared_ptr<Vellisto_BigDoc> doc) {
  bool deleted = false;
  walk(std::move(doc), [&](const std::shared_ptr<Vellisto_BigDoc>& d) {
    return deleted = d->physicalDeleteChunkByDigest(sig);
  });
  return deleted;
}

bool Vellisto_Master::physicalDel(const std::string& signedString, std::shared_ptr<Vellisto_BigDoc> doc) {
  return physicalDelByDigest(Vellisto_Chunk::md5HexDigest(signedString), std::move(doc));
}

void Vellisto_Master::cleanMatchedChunksIn(std::shared_ptr<Vellisto_BigDoc> doc) {
  walk(std::move(doc), [](const std::shared_ptr<Vellisto_BigDoc>& d) {
    d->cleanMatchedChunks();
    return false;
  });
}

// ---- fields ----

std::shared_ptr<Vellisto_MergeDelegate> Vellisto_Master::merge() const {
  MutexLock lock(registryLock_);
  return merge_;
}

void Vellisto_Master::setMerge(std::shared_ptr<Vellisto_MergeDelegate> merge) {
  MutexLock lock(registryLock_);
  merge_ = std::move(merge);
}

std::shared_ptr<Vellisto_DisplayDelegate> Vellisto_Master::display() const {
  MutexLock lock(registryLock_);
  return display_;
}

}  // namespace vl
