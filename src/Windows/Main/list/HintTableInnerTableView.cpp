#include "Windows/Main/list/HintTableInnerTableView.h"

#include <algorithm>

#include "core/keys/FlagsDetect.h"
#include "platform/foundation/Log.h"

namespace vl {

void HintTableInnerTableView::selectRowIndexes(const ui::IndexSet& rows, bool byExtendingSelection) {
  if (FlagsDetect::isCommandOn() && rows.count() < selectedArr_.size()) {
    // A Command-click took a row out: the others keep their order.
    std::erase_if(selectedArr_, [&](long r) { return !rows.contains(r); });
  } else {
    const long last = selectedArr_.empty() ? 0 : selectedArr_.back();
    auto append = [&](long r) {
      if (!alreadySelected(r)) selectedArr_.push_back(r);
    };
    if (last == rows.lastIndex()) {
      std::for_each(rows.rbegin(), rows.rend(), append);
    } else {
      std::for_each(rows.begin(), rows.end(), append);
    }
  }
  VLTableView::selectRowIndexes(rows, byExtendingSelection);
}

void HintTableInnerTableView::deselectRow(long row) {
  logDebug("deslect");
  std::erase(selectedArr_, row);
  VLTableView::deselectRow(row);
}

void HintTableInnerTableView::reload() {
  clearSelected();
  // New rows start unselected; the list chooses what to select in them.
  deselectAll();
  reloadData();
}

void HintTableInnerTableView::clearSelected() {
  logDebug("select arr remove");
  selectedArr_.clear();
}

bool HintTableInnerTableView::alreadySelected(long row) const {
  return std::find(selectedArr_.begin(), selectedArr_.end(), row) != selectedArr_.end();
}

void HintTableInnerTableView::multipleDeselect() {
  for (long row : std::vector<long>(selectedArr_)) deselectRow(row);
  clearSelected();
}

}  // namespace vl
