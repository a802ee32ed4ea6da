#include "shortcuts/ShortcutsTableView.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "shortcuts/VLShortcutCenter.h"
#include "theme/VLThemeCategories.h"

namespace vl {

ShortcutsTableView::ShortcutsTableView(const ui::Rect& frame) : ui::ScrollView(frame) {
  headers_ = {VLShortcut("clipboardHistory", localized("pref.shortcuts.group.history")),
              VLShortcut("thinkingBar", localized("pref.shortcuts.group.thinkingBar")),
              VLShortcut("pin", localized("pref.shortcuts.group.pin"))};
}

std::shared_ptr<ShortcutsTableView> ShortcutsTableView::create(const ui::Rect& frame) {
  auto table = std::make_shared<ShortcutsTableView>(frame);
  table->build();
  return table;
}

std::shared_ptr<ShortcutsEditButtonDelegate> ShortcutsTableView::asEditButtonDelegate() {
  auto self = std::static_pointer_cast<ShortcutsTableView>(shared_from_this());
  return std::shared_ptr<ShortcutsEditButtonDelegate>(self, static_cast<ShortcutsEditButtonDelegate*>(this));
}

void ShortcutsTableView::build() {
  setHasVerticalScroller(true);
  setDrawsBackground(false);
  // A wheel notch moves three rows, as every other list does.
  setLineScroll(3 * kRowHeight);
  setBackgroundColorAssetKey(static_cast<ui::ScrollView&>(*this),
                             std::string("prefShortcutsBackgroundColor"));
  tableView_ = std::make_shared<KeyDownTableView>(bounds());
  auto column = ui::TableColumn::create("display");
  column->setWidth(contentSize().width);
  tableView_->addTableColumn(column);
  tableView_->setHasHeaderView(false);
  tableView_->setSelectionHighlightStyle(ui::TableSelectionHighlightStyle::None);
  tableView_->setFocusRingType(ui::FocusRingType::None);
  tableView_->setIntercellSpacing({3, 0});
  tableView_->setRowHeight(kRowHeight);
  setBackgroundColorAssetKey(static_cast<ui::TableView&>(*tableView_), std::string("clear"));
  auto self = std::static_pointer_cast<ShortcutsTableView>(shared_from_this());
  tableView_->setDataSource(std::shared_ptr<ui::TableViewDataSource>(self, self.get()));
  tableView_->setDelegate(std::shared_ptr<ui::TableViewDelegate>(self, self.get()));
  setDocumentView(tableView_);
}

const std::vector<VLShortcut*>& ShortcutsTableView::allSource() {
  if (allSource_.empty()) {
    VLShortcutCenter& center = VLShortcutCenter::defaultCenter();
    allSource_.push_back(&headers_[0]);
    for (auto& s : center.clipboardHistory()) allSource_.push_back(&s);
    allSource_.push_back(&headers_[1]);
    for (auto& s : center.thinkingBar()) allSource_.push_back(&s);
    allSource_.push_back(&headers_[2]);
    for (auto& s : center.pin()) allSource_.push_back(&s);
  }
  return allSource_;
}

const std::vector<VLShortcut*>& ShortcutsTableView::conflictSource() {
  if (!conflictBuilt_) resetConflicts();
  return conflictSource_;
}

void ShortcutsTableView::resetConflicts() {
  // Shown rows stay while the conflict view is up; their marks follow the new flags.
  VLShortcutCenter& center = VLShortcutCenter::defaultCenter();
  conflictSource_.clear();
  conflictCount_ = 0;
  const std::vector<VLShortcut> groups[] = {center.getConflictClipboardHistory(),
                                            center.getConflictThinkingBar(), center.getConflictPin()};
  for (std::size_t g = 0; g < 3; ++g) {
    if (groups[g].empty()) continue;
    conflictSource_.push_back(&headers_[g]);
    for (const VLShortcut& copy : groups[g]) {
      if (VLShortcut* own = center.getShortcutForKey(copy.key())) conflictSource_.push_back(own);
    }
    conflictCount_ += static_cast<long>(groups[g].size());
  }
  conflictBuilt_ = true;
  if (auto d = delegate_.lock()) d->shortcutsTableViewResetConflicts(*this, conflictCount_);
}

void ShortcutsTableView::switchToAllData() {
  activeSource_ = allSource();
  resetConflicts();
  reloadTableView();
}

void ShortcutsTableView::switchToConflictData() {
  activeSource_ = conflictSource();
  reloadTableView();
}

void ShortcutsTableView::reloadByRestore() {
  allSource_.clear();
  conflictSource_.clear();
  conflictBuilt_ = false;
  switchToAllData();
}

void ShortcutsTableView::reloadTableView() {
  lastSelectedRowView_.reset();
  tableView_->deselectAll();
  tableView_->reloadData();
}

long ShortcutsTableView::numberOfRowsInTableView(ui::TableView&) {
  return static_cast<long>(activeSource_.size());
}

std::shared_ptr<ui::TableRowView> ShortcutsTableView::tableViewRowViewForRow(ui::TableView&, long row) {
  if (row < 0 || row >= static_cast<long>(activeSource_.size())) return nullptr;
  // As wide as what the scroller leaves, so the warning mark stays in sight.
  auto view = ShortcutsRowView::create({0, 0, contentSize().width, kRowHeight});
  view->setWeakTableView(std::static_pointer_cast<ShortcutsTableView>(shared_from_this()));
  view->setShortcut(activeSource_[static_cast<std::size_t>(row)]);
  return view;
}

std::shared_ptr<ShortcutsRowView> ShortcutsTableView::rowView(long row) const {
  return std::dynamic_pointer_cast<ShortcutsRowView>(tableView_->rowViewAtRow(row, true));
}

void ShortcutsTableView::becomeLastSelected(ShortcutsRowView* row) {
  auto last = lastSelectedRowView_.lock();
  if (last.get() == row) return;
  if (last) {
    last->setSelected(false);
    last->shortcutsEditButton()->setEdit(false);
  }
  lastSelectedRowView_ = std::static_pointer_cast<ShortcutsRowView>(row->shared_from_this());
}

bool ShortcutsTableView::tableViewShouldSelectRow(ui::TableView& table, long row) {
  if (auto view = std::dynamic_pointer_cast<ShortcutsRowView>(table.rowViewAtRow(row, false))) {
    becomeLastSelected(view.get());
  }
  return true;
}

ShortcutsRowView* ShortcutsTableView::rowOf(ShortcutsEditButton& button) {
  return dynamic_cast<ShortcutsRowView*>(button.superview());
}

void ShortcutsTableView::selectRowOf(ShortcutsRowView& row) {
  editButtonPrepareEdit(*row.shortcutsEditButton());
  const long index = row.row();
  if (index >= 0) tableView_->userSelectRow(index, 0);
}

void ShortcutsTableView::editButtonPrepareEdit(ShortcutsEditButton& button) {
  if (auto* row = rowOf(button)) becomeLastSelected(row);
}

void ShortcutsTableView::editButtonDidBeginEdit(ShortcutsEditButton& button) {
  if (auto* row = rowOf(button)) becomeLastSelected(row);
  tableView_->setPreventKeyDown(true);
}

void ShortcutsTableView::editButtonDidEndEdit(ShortcutsEditButton&) { tableView_->setPreventKeyDown(false); }

void ShortcutsTableView::editButtonDidEnterShortcutValue(ShortcutsEditButton& button,
                                                         const VLShortcutValue& value) {
  ShortcutsRowView* row = rowOf(button);
  if (!row || !row->shortcut()) return;
  row->shortcut()->setShortcutValue(value);
  button.setText(row->shortcut()->getDisplay());
  resetConflicts();
  // The rows are refreshed where they are, so the recorder goes on taking presses until it ends a
  // second later; every row's title and mark follow the new flags.
  for (long index : tableView_->rowsWithRowViews()) {
    if (auto view = rowView(index)) view->setShortcut(view->shortcut());
  }
  auto keep = std::static_pointer_cast<ShortcutsEditButton>(button.shared_from_this());
  dispatch::after(kEndEditMs, dispatch::Queue::main(), [keep] { keep->setEdit(false); });
}

}  // namespace vl
