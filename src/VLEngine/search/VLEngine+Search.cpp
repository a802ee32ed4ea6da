// The search entry points of the record store: each question about the active tab becomes a task of
// the task master.
#include "VLEngine/VLEngine.h"
#include "VLEngine/VLEngineDelegate.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"
#include "VLEngine/search/SearchCostRecord.h"
#include "VLEngine/search/Vellisto_DisplayDelegate.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "VLEngine/search/Vellisto_Task.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

struct ActiveTab {
  std::shared_ptr<Vellisto_BigDoc> head;
  std::uint64_t docCount = 0;
  std::shared_ptr<ChunkSortedWeakTable> sortedTable;
  bool clipboard = false;
};

// A store without a loaded pin list has no active tab: its tasks ask no doc and answer empty.
ActiveTab activeTab() {
  ActiveTab active;
  std::shared_ptr<VLStoreTab> tab = VLEngine::shared().tabDirectory()->activeTab();
  if (!tab) {
    logWarning("search: no active tab");
    return active;
  }
  active.head = tab->headDoc();
  const std::int64_t count = tab->docCount();
  active.docCount = count > 0 && active.head ? static_cast<std::uint64_t>(count) : 0;
  active.sortedTable = tab->sortedTable();
  active.clipboard = tab->isClipboard();
  return active;
}

}  // namespace

void VLEngine::seach(const std::string& query) {
  if (query.empty()) {
    noneInput();
    return;
  }
  SearchCostRecord::stamp("search", "ms");
  ActiveTab tab = activeTab();
  auto task = Vellisto_Task::make(Vellisto_Task::kSearch, tab.docCount, query);
  task->setChannel(channel());
  Vellisto_Master::shared().sendTask(task, tab.head);
}

void VLEngine::noneInput() {
  cleanMatchedChunks();
  ActiveTab tab = activeTab();
  Vellisto_Master& master = Vellisto_Master::shared();
  auto task = Vellisto_Task::make(Vellisto_Task::kListing, tab.docCount);
  task->setListsApplications(!tab.clipboard);
  task->setChannel(channel());
  task->setSortedTable(tab.sortedTable);
  if (!tab.sortedTable) {
    master.sendTask(task, tab.head);
    return;
  }
  std::unique_lock<RecursiveMutex> lock(tab.sortedTable->mutex());
  if (tab.sortedTable->isEmpty()) {
    logDebug("none input search");
    lock.unlock();
    master.sendTask(task, tab.head);
    return;
  }
  logDebug("none input cache");
  tab.sortedTable->cutIfNeeded();
  master.insertTask(task);
  std::shared_ptr<Vellisto_DisplayDelegate> display = master.display();
  DisplayRows rows = display ? display->covertWeakTable(*tab.sortedTable) : DisplayRows();
  // The list's lock is not held while the channel waits for the main thread, which may need it.
  lock.unlock();
  if (auto receiver = task->channel())
    receiver->receivedData(rows, static_cast<std::int64_t>(task->taskId()), false);
  master.removeTask(task);
}

void VLEngine::noneInputLoadMore() {
  logDebug("none input load more");
  ActiveTab tab = activeTab();
  auto task = Vellisto_Task::make(Vellisto_Task::kLoadMore, tab.docCount);
  task->setListsApplications(!tab.clipboard);
  task->setChannel(channel());
  task->setSortedTable(tab.sortedTable);
  task->setEarlierThanTimestamp(tab.sortedTable ? tab.sortedTable->lastTimestamp() : 0);
  Vellisto_Master::shared().sendTask(task, tab.head);
}

void VLEngine::cleanMatchedChunks() { Vellisto_Master::cleanMatchedChunksIn(activeTab().head); }

void VLEngine::error() {
  std::shared_ptr<VLEngineDelegate> engineDelegate = delegate();
  std::shared_ptr<Vellisto_BigDoc> doc = engineDelegate ? engineDelegate->errorDoc() : nullptr;
  if (!doc) return;
  auto task = Vellisto_Task::make(Vellisto_Task::kErrorListing, 1);
  task->setChannel(channel());
  Vellisto_Master::shared().sendTask(task, doc);
}

}  // namespace vl
