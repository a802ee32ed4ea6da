#include "Windows/Main/list/DeleteRecords.h"

#include <memory>

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

namespace vl {

void deleteSelectedRecords(HintTable2& list, const std::string& pinTabId) {
  // The web search of the query or a tab's tip is no record: it is not deleted, nor taken off the list.
  const DisplayRows records = list.selectedRecords();
  if (records.empty()) {
    logDebug("delete: no record is chosen; nothing is deleted");
    return;
  }
  const auto& last = records.back();
  NotificationCenter::defaultCenter().post(
      "VELLISTO_MAIN_checkDeleteEntity", nullptr,
      Json{{"context", last->string()}, {"json_data", last->json() ? *last->json() : Json()}});
  for (const auto& row : records) {
    if (!VLEngine::shared().delChunkByContext(row->string(), row->json(), pinTabId)) {
      logWarning("delete: no stored record for a selected row of tab " + pinTabId);
    }
  }
  list.delSelectedItems();
}

void deleteSelectedRecords() {
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  if (auto list = hooks.listOrNull()) deleteSelectedRecords(*list, hooks.tabId());
}

}  // namespace vl
