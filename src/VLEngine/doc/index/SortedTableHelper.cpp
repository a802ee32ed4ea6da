#include "VLEngine/doc/index/SortedTableHelper.h"

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"

namespace vl {

void SortedTableHelper::notify(const std::string& pinTabId, const std::shared_ptr<Vellisto_Chunk>& chunk,
                               bool newArrived) {
  if (pinTabId.empty() || !chunk) return;
  RecursiveMutexLock lock(VLEngine::storeMutex());
  std::shared_ptr<VLStoreTab> tab = VLEngine::shared().tabDirectory()->tabOfId(pinTabId);
  if (!tab) return;
  tab->setNewArrivedAnimation(newArrived);
  std::shared_ptr<ChunkSortedWeakTable> table = tab->sortedTable();
  if (!table->holdsNewest()) return;
  table->remove(chunk);
  table->head(chunk);
}

}  // namespace vl
