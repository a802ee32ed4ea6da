#include "Windows/Main/list/DeleteRecords.h"

#include <memory>

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "ui/alert/Alert.h"

namespace vl {

void deleteSelectedRecords(HintTable2& list, const std::string& pinTabId) {
  const auto last = list.lastSelectedItem();
  if (!last) return;
  NotificationCenter::defaultCenter().post(
      "VELLISTO_MAIN_checkDeleteEntity", nullptr,
      Json{{"context", last->string()}, {"json_data", last->json() ? *last->json() : Json()}});
  for (const auto& row : list.selectedItems()) {
    if (!row) continue;
    if (!VLEngine::shared().delChunkByContext(row->string(), row->json(), pinTabId)) {
      log("delete: no stored record for a selected row of tab " + pinTabId);
    }
  }
  list.delSelectedItems();
}

void confirmDeleteSelectedRecords() {
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  auto list = hooks.listOrNull();
  if (!list || !list->lastSelectedItem()) return;
  ui::View* host = hooks.hostOrNull();
  if (!host) {
    deleteSelectedRecords(*list, hooks.tabId());
    return;
  }
  std::weak_ptr<HintTable2> weakList = list;
  auto alert = Alert::ofTitle(
      localized("preview.del.alert.content"),
      [weakList] {
        // The tab is read again: the user may have switched tabs while the alert was up.
        if (auto l = weakList.lock()) deleteSelectedRecords(*l, PreviewColumnHooks::current().tabId());
      },
      [] {});
  alert->showWithEscape(host);
}

}  // namespace vl
