#pragma once

#include <memory>
#include <vector>

#include "ui/VLTableView.h"

namespace vl {

// The record list's table. Besides the table's own selection it keeps the order in which the list's
// rows were chosen: the last entry is the row the preview shows and a single paste takes, and a
// Shift-extension records its rows from the end the user moved to.
class HintTableInnerTableView : public VLTableView {
 public:
  using VLTableView::VLTableView;

  void selectRowIndexes(const ui::IndexSet& rows, bool byExtendingSelection) override;
  void deselectRow(long row) override;
  // Empties the order and the selection, then reloads.
  void reload();
  void clearSelected();
  bool alreadySelected(long row) const;
  // Deselects every row in the order, then empties it.
  void multipleDeselect();

  const std::vector<long>& selectedArr() const { return selectedArr_; }

 private:
  std::vector<long> selectedArr_;
};

}  // namespace vl
