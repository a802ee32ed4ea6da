// TableView: the selection, clicks and keys.
#include <algorithm>
#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

void TableView::selectionChanged() {
  for (auto& [row, view] : rowViews_) view->setSelected(selected_.contains(row));
  std::shared_ptr<View> keep = self();
  if (auto d = delegate()) d->tableViewSelectionDidChange(*this);
  NotificationCenter::defaultCenter().post(kTableViewSelectionDidChangeNotification,
                                           static_cast<const View*>(this));
}

void TableView::setSelection(const IndexSet& rows, const std::vector<long>& order) {
  if (rows == selected_ && order == order_) return;
  selected_ = rows;
  order_ = order;
  selectionChanged();
}

void TableView::addToSelection(long row) {
  // A row selected again moves to the end of the order: it is the one selected last.
  order_.erase(std::remove(order_.begin(), order_.end(), row), order_.end());
  order_.push_back(row);
  selected_.add(row);
}

void TableView::applyUserSelection(const IndexSet& rows, const std::vector<long>& order) {
  std::shared_ptr<View> keep = self();
  proposedOrder_ = order;
  selectRowIndexes(rows, false);
  proposedOrder_.reset();
}

void TableView::selectRowIndexes(const IndexSet& rows, bool byExtendingSelection) {
  IndexSet before = selected_;
  std::vector<long> beforeOrder = order_;
  if (!byExtendingSelection) {
    selected_.clear();
    order_.clear();
  }
  // A user's change brings the order it was made in; rows it does not name follow in ascending order.
  if (proposedOrder_ && !byExtendingSelection) {
    for (long row : *proposedOrder_) {
      if (rows.contains(row) && row < rowCount_ && !selected_.contains(row)) addToSelection(row);
    }
  }
  for (long row : rows) {
    if (row >= rowCount_) {
      logWarningf("table: cannot select row %ld of %ld", row, rowCount_);
      continue;
    }
    if (selected_.contains(row)) continue;
    addToSelection(row);
    if (!proposedOrder_) anchor_ = cursor_ = row;
  }
  if (!allowsMultiple_ && selected_.count() > 1) {
    long last = order_.back();
    selected_ = IndexSet{last};
    order_ = {last};
  }
  if (selected_ == before && order_ == beforeOrder) return;
  selectionChanged();
}

void TableView::deselectRow(long row) {
  if (!selected_.contains(row)) return;
  selected_.remove(row);
  order_.erase(std::remove(order_.begin(), order_.end(), row), order_.end());
  selectionChanged();
}

void TableView::deselectAll() { setSelection({}, {}); }

void TableView::selectAll() {
  if (!allowsMultiple_) return;
  IndexSet all = IndexSet::range(0, rowCount_);
  std::vector<long> order = order_;
  for (long r : all) {
    if (!selected_.contains(r)) order.push_back(r);
  }
  setSelection(all, order);
}

void TableView::userSelectRow(long row, std::uint64_t flags) {
  if (row < 0 || row >= rowCount_) return;
  std::shared_ptr<View> keep = self();
  std::shared_ptr<TableViewDelegate> d = delegate();
  if (d && !d->selectionShouldChangeInTableView(*this)) return;
  if (d && !d->tableViewShouldSelectRow(*this, row)) return;
  IndexSet rows = selected_;
  std::vector<long> order = order_;
  auto append = [&](long r) {
    order.erase(std::remove(order.begin(), order.end(), r), order.end());
    order.push_back(r);
    rows.add(r);
  };
  if (allowsMultiple_ && (flags & ModifierFlags::Command)) {
    if (!rows.contains(row)) {
      append(row);
    } else if (allowsEmpty_ || rows.count() > 1) {
      rows.remove(row);
      order.erase(std::remove(order.begin(), order.end(), row), order.end());
    }
    anchor_ = cursor_ = row;
  } else if (allowsMultiple_ && (flags & ModifierFlags::Shift) && anchor_ >= 0 && anchor_ < rowCount_) {
    // From the anchor towards the clicked row, so the clicked row ends last.
    long step = row >= anchor_ ? 1 : -1;
    for (long r = anchor_;; r += step) {
      if (!rows.contains(r) || r == row) append(r);
      if (r == row) break;
    }
    cursor_ = row;
  } else {
    rows = IndexSet{row};
    order = {row};
    anchor_ = cursor_ = row;
  }
  applyUserSelection(rows, order);
}

void TableView::moveSelectionBy(int delta, bool extend) {
  if (rowCount_ == 0 || delta == 0) return;
  std::shared_ptr<View> keep = self();
  long from = cursor_ >= 0 && cursor_ < rowCount_ && selected_.contains(cursor_) ? cursor_ : selectedRow();
  long target = from < 0 ? (delta > 0 ? 0 : rowCount_ - 1) : from + delta;
  if (target < 0 || target >= rowCount_) return;
  std::shared_ptr<TableViewDelegate> d = delegate();
  if (d && !d->selectionShouldChangeInTableView(*this)) return;
  if (d && !d->tableViewShouldSelectRow(*this, target)) return;
  if (extend && allowsMultiple_ && from >= 0 && anchor_ >= 0) {
    IndexSet rows = selected_;
    std::vector<long> order = order_;
    bool backTowardsAnchor = from != anchor_ && std::labs(target - anchor_) < std::labs(from - anchor_) &&
                             (target - anchor_) * (from - anchor_) >= 0;
    if (backTowardsAnchor && rows.contains(target)) {
      // Shrinking the range: the row left behind is deselected.
      rows.remove(from);
      order.erase(std::remove(order.begin(), order.end(), from), order.end());
      order.erase(std::remove(order.begin(), order.end(), target), order.end());
      order.push_back(target);
    } else {
      rows.add(target);
      order.erase(std::remove(order.begin(), order.end(), target), order.end());
      order.push_back(target);
    }
    cursor_ = target;
    applyUserSelection(rows, order);
  } else {
    anchor_ = cursor_ = target;
    applyUserSelection(IndexSet{target}, {target});
  }
  scrollRowToVisible(target);
}

// --- events ---------------------------------------------------------------------------------------------

void TableView::mouseDown(const Event& event) {
  if (!isEnabled()) return;
  std::shared_ptr<View> keep = self();
  // A click on a row view (which takes no focus itself) still gives the table the keyboard.
  if (Window* w = window(); w && w->firstResponder() != this) w->makeFirstResponder(this);
  long row = rowAtPoint(event.locationInView(*this));
  clickedRow_ = row;
  if (row >= 0) {
    userSelectRow(row, event.modifierFlags());
  } else if (allowsEmpty_ && !(event.modifierFlags() & (ModifierFlags::Shift | ModifierFlags::Command))) {
    std::shared_ptr<TableViewDelegate> d = delegate();
    if (!d || d->selectionShouldChangeInTableView(*this)) applyUserSelection({}, {});
  }
  if (event.clickCount() >= 2) {
    if (row >= 0 && !doubleAction_.empty()) sendAction(doubleAction_, target());
  } else if (!action().empty()) {
    sendAction();
  }
}

void TableView::keyDown(const Event& event) {
  const bool shift = event.modifierFlags() & ModifierFlags::Shift;
  switch (event.keyCode()) {
    case KeyCode::UpArrow:
      moveSelectionBy(-1, shift);
      return;
    case KeyCode::DownArrow:
      moveSelectionBy(1, shift);
      return;
    case KeyCode::Home:
      if (rowCount_ > 0) scrollRowToVisible(0);
      return;
    case KeyCode::End:
      if (rowCount_ > 0) scrollRowToVisible(rowCount_ - 1);
      return;
    default:
      Control::keyDown(event);
      return;
  }
}

bool TableView::respondsToAction(const std::string& action) const {
  if (Control::respondsToAction(action)) return true;
  return action == "selectAll:" ? allowsMultiple_ : action == "moveUp:" || action == "moveDown:";
}

bool TableView::performAction(const std::string& action, ActionTarget* sender) {
  if (Control::performAction(action, sender)) return true;
  if (action == "selectAll:" && allowsMultiple_) {
    selectAll();
    return true;
  }
  if (action == "moveUp:" || action == "moveDown:") {
    moveSelectionBy(action == "moveUp:" ? -1 : 1, false);
    return true;
  }
  return false;
}

}  // namespace vl::ui
