#include "Windows/Main/list/HintTable2.h"

#include <algorithm>
#include <cmath>

#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/list/RecordDrag.h"
#include "core/keys/FlagsDetect.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/system/DragSource.h"
#include "platform/ui/window/Window.h"
#include "theme/VLFont.h"

namespace vl {

namespace {

// Wheel steps closer than this in one direction are one step.
constexpr double kWheelStepSeconds = 0.05;

bool standsForRecord(const std::shared_ptr<DisplayAttributedString>& row) {
  return row && IndexHelper::isRecord(row->json());
}

bool jsonHas(const std::optional<Json>& json, const char* key) {
  return json && json->is_object() && json->contains(key);
}

std::string jsonText(const std::optional<Json>& json, const char* key) {
  if (!jsonHas(json, key)) return {};
  const Json& v = (*json)[key];
  return v.is_string() ? v.get<std::string>() : std::string();
}

}  // namespace

HintTable2::HintTable2(HintTableHooks hooks)
    : VLVisualEffectScrollView({0, 0, 340, kPageHeight}), hooks_(std::move(hooks)) {
  setFrameSize(size());
  setWheelHandling(ui::WheelHandling::Swallow);
  setDrawsBackground(false);
  contentView()->setPostsBoundsChangedNotifications(true);
  tableView_ = std::make_shared<HintTableInnerTableView>(ui::Rect{{0, 0}, size()});
  tableView_->setRowHeight(kRowHeight);
  tableView_->setAllowsMultipleSelection(true);
  tableView_->setIntercellSpacing({tableView_->intercellSpacing().width, 0});
  tableView_->setBackgroundColor(std::nullopt);
  // The list moves its selection through the shortcut names; the table must not move it a second time.
  tableView_->setPreventKeyDown(true);
  setDocumentView(tableView_);
}

std::shared_ptr<HintTable2> HintTable2::create(HintTableHooks hooks) {
  auto list = std::make_shared<HintTable2>(std::move(hooks));
  list->tableView_->setDataSource(std::shared_ptr<ui::TableViewDataSource>(list, list.get()));
  list->tableView_->setDelegate(std::shared_ptr<ui::TableViewDelegate>(list, list.get()));
  list->scroller_ = std::make_shared<HintTableScroller>(list.get());
  LocalShortcutsManager::shared().registerReceiver(std::shared_ptr<ShortcutReceiver>(list, list.get()),
                                                   LocalShortcutsManager::Order::ResultList);
  return list;
}

HintTable2::~HintTable2() { LocalShortcutsManager::shared().unregisterReceiver(this); }

void HintTable2::viewDidMoveToSuperview() {
  VLVisualEffectScrollView::viewDidMoveToSuperview();
  // The indicator stands just right of the list, in the list's container.
  if (scroller_ && superview() && scroller_->superview() != superview()) {
    superview()->addSubview(scroller_);
    scroller_->relocate();
  }
}

ui::Size HintTable2::size() const {
  const bool off = hooks_.previewOff && hooks_.previewOff();
  return {off ? 676.0 : 340.0, kPageHeight};
}

bool HintTable2::blocked() const { return hooks_.blocked && hooks_.blocked(); }

// --- taking and showing results -------------------------------------------------------------------------

void HintTable2::refreshDataSource(DisplayRows rows, bool loadMore) {
  VL_DCHECK_ON_MAIN();
  onFocus_ = true;
  if (loadMore) {
    const std::size_t old = dataSource_.size();
    dataSource_.insert(dataSource_.end(), std::make_move_iterator(rows.begin()),
                       std::make_move_iterator(rows.end()));
    insertRange_ = Range(old, dataSource_.size() - old);
    return;
  }
  if (auto search = createSearchDisplay(rows)) rows.push_back(std::move(search));
  dataSource_ = std::move(rows);
  loadMoreAskedAt_ = -1;
  setGestureState(Reset);
}

std::shared_ptr<DisplayAttributedString> HintTable2::createSearchDisplay(const DisplayRows& rows) const {
  const std::string text = searchText();
  if (text.empty()) return nullptr;
  if (!rows.empty() && rows.back() && jsonHas(rows.back()->json(), "search")) return nullptr;
  auto row = DisplayAttributedString::resultRow(localized("searchFor") + " '" + text + "'",
                                                std::vector<Range>{}, VLFont::mainFont());
  row->setJson(Json{{"search", true}, {"custom_view", "EmbededWebview"}, {"search_context", text}});
  return row;
}

void HintTable2::reload() {
  VL_DCHECK_ON_MAIN();
  if (!dataSource_.empty()) {
    scrollTo(0);
    const bool arrived = hooks_.takeArrivalAnimation && hooks_.takeArrivalAnimation();
    if (arrived) {
      // The new copy slides down into the first row while the others make room.
      auto first = dataSource_.front();
      dataSource_.erase(dataSource_.begin());
      tableView_->reload();
      dataSource_.insert(dataSource_.begin(), std::move(first));
      tableView_->beginUpdates();
      tableView_->insertRowsAtIndexes(ui::IndexSet{0}, ui::TableViewAnimation::SlideDown);
      tableView_->endUpdates();
    } else {
      tableView_->reload();
    }
    selectExtending(0);
  } else {
    tableView_->reload();
  }
  update();
  scroller_->reload();
  upVisibleRow_ = 0;
  downVisibleRow_ = kPageSize - 1;
  wheelCounter_.offsetY = 0;
}

void HintTable2::reloadMore() {
  VL_DCHECK_ON_MAIN();
  if (insertRange_.length == 0) return;
  tableView_->beginUpdates();
  tableView_->insertRowsAtIndexes(
      ui::IndexSet::range(static_cast<long>(insertRange_.location), static_cast<long>(insertRange_.length)),
      ui::TableViewAnimation::SlideUp);
  tableView_->endUpdates();
  scroller_->reload();
  updateVisibleRow();
}

void HintTable2::simapleReload() {
  const long row = tableView_->selectedRow();
  setFrameSize(size());
  scroller_->relocate();
  tableView_->reload();
  if (row >= 0) selectExtending(row);
}

// --- moving ----------------------------------------------------------------------------------------------

void HintTable2::scrollTo(double y) { scrollToPoint({0, y}); }

double HintTable2::documentHeight() const { return documentView() ? documentView()->frame().height() : 0; }

void HintTable2::updateVisibleRow() {
  upVisibleRow_ = static_cast<std::int64_t>(visibleY() / kRowHeight);
  downVisibleRow_ = upVisibleRow_ + kPageSize - 1;
}

void HintTable2::setGestureState(std::uint64_t state) {
  if (state == gestureState_ && gestureState_ != WheelUp && gestureState_ != WheelDown) return;
  if (state == WheelDown) {
    wheelCounter_.offsetY += kRowHeight;
  } else if (state == WheelUp) {
    wheelCounter_.offsetY -= kRowHeight;
  } else if (state == Reset) {
    wheelCounter_.offsetY = 0;
  }
  gestureState_ = state;
}

void HintTable2::selectExtending(long row) { tableView_->selectRowIndexes(ui::IndexSet{row}, true); }

void HintTable2::upAction() {
  VL_DCHECK_ON_MAIN();
  if (dataSource_.empty()) return;
  const long c = static_cast<long>(dataSource_.size());
  const long b = tableView_->selectedRow();
  long t;
  if (b > 0) {
    t = b - 1;
  } else {
    // Wrap to the last row, with the last page in view (also when nothing was selected).
    wheelCounter_.offsetY = std::max(0.0, documentHeight() - kPageHeight);
    scrollTo(wheelCounter_.offsetY);
    updateVisibleRow();
    t = c - 1;
  }
  if (excludeWheelGesture() && t < upVisibleRow_) {
    wheelCounter_.offsetY -= kRowHeight;
    scrollTo(wheelCounter_.offsetY);
    updateVisibleRow();
  }
  if (!FlagsDetect::isShiftOn()) {
    tableView_->multipleDeselect();
  } else if (tableView_->alreadySelected(t) && b >= 0) {
    tableView_->deselectRow(b);
  }
  selectExtending(t % c);
  update();
}

void HintTable2::askForOlderRecords() {
  const long count = static_cast<long>(dataSource_.size());
  if (loadMoreAskedAt_ == count) return;
  loadMoreAskedAt_ = count;
  insertRange_ = Range(static_cast<std::size_t>(count), 0);
  if (hooks_.loadMore) hooks_.loadMore();
}

void HintTable2::downAction() {
  VL_DCHECK_ON_MAIN();
  if (dataSource_.empty()) return;
  const long b = tableView_->selectedRow();
  if (static_cast<long>(dataSource_.size()) == b + 1) {
    if (!searchText().empty()) {
      wheelCounter_.offsetY = 0;
      scrollTo(0);
      updateVisibleRow();
    } else {
      insertRange_ = Range(dataSource_.size(), 0);
      askForOlderRecords();
      if (insertRange_.length == 0) {
        wheelCounter_.offsetY = 0;
        scrollTo(0);
        updateVisibleRow();
      }
    }
  }
  const long c = static_cast<long>(dataSource_.size());
  const long g = (b + 1) % c;
  if (excludeWheelGesture() && g > downVisibleRow_) {
    wheelCounter_.offsetY += kRowHeight;
    scrollTo(wheelCounter_.offsetY);
    updateVisibleRow();
  }
  if (!FlagsDetect::isShiftOn()) {
    tableView_->multipleDeselect();
  } else if (tableView_->alreadySelected(g) && b >= 0) {
    tableView_->deselectRow(b);
  }
  selectExtending(g);
  update();
}

void HintTable2::responderUp() {
  if (!onFocus_) return;
  setGestureState(KeyUp);
  upAction();
}

void HintTable2::responderDown() {
  if (!onFocus_) return;
  setGestureState(KeyDown);
  downAction();
}

bool HintTable2::resolvedShortcutKey(const std::string& name) {
  const bool up = name == "historyUp" || name == "multiHistoryUp";
  const bool down = name == "historyDown" || name == "multiHistoryDown";
  if (!up && !down) return false;
  if (blocked() || !MainViewController::shortcutsReach(*this)) return false;
  if (up) {
    responderUp();
  } else {
    responderDown();
  }
  return true;
}

void HintTable2::scrollWheel(const ui::Event& event) {
  if (scrollingEnabled_) VLVisualEffectScrollView::scrollWheel(event);
  ui::Cursor::arrow().set();
  const double now = Clock::current().now();
  if (event.deltaY() < 0) {
    if (now - downTimestamp_ <= kWheelStepSeconds) return;
    downTimestamp_ = now;
    scroller_->movingDown();
  } else if (event.deltaY() > 0) {
    if (now - upTimestamp_ <= kWheelStepSeconds) return;
    upTimestamp_ = now;
    scroller_->movingUp();
  }
}

void HintTable2::hintTableScrollerMoveUp() {
  if (blocked() || !onFocus_ || visibleY() <= 0) return;
  setGestureState(WheelUp);
  scrollTo(std::max(0.0, wheelCounter_.offsetY));
  updateVisibleRow();
  upAction();
}

void HintTable2::hintTableScrollerMoveDown() {
  if (blocked() || !onFocus_) return;
  if (documentHeight() > visibleY() + frame().height()) {
    setGestureState(WheelDown);
    scrollTo(wheelCounter_.offsetY);
    updateVisibleRow();
    downAction();
  } else if (searchText().empty()) {
    askForOlderRecords();
  }
}

std::int64_t HintTable2::hintTableScrollerDataSize() {
  VL_DCHECK_ON_MAIN();
  return static_cast<std::int64_t>(dataSource_.size());
}

// --- the selection ---------------------------------------------------------------------------------------

void HintTable2::update() {
  if (hooks_.preview) {
    PreviewNotice notice;
    notice.row = lastSelectedItem();
    notice.viewCls = selectedContextViewCls();
    notice.isClipboardItem = isClipboardItem();
    notice.timestamp = selectedTimestamp();
    if (notice.row) notice.json = notice.row->json();
    hooks_.preview(notice);
  }
  if (hooks_.refreshThinkingBar) hooks_.refreshThinkingBar();
  if (scroller_) scroller_->updatePercentage(calcScrollPercentage());
}

std::shared_ptr<DisplayAttributedString> HintTable2::lastSelectedItem() const {
  VL_DCHECK_ON_MAIN();
  const auto& order = tableView_->selectedArr();
  if (!onFocus_ || dataSource_.empty() || order.empty()) return nullptr;
  const long last = order.back();
  return last >= 0 && last < static_cast<long>(dataSource_.size()) ? dataSource_[last] : nullptr;
}

DisplayRows HintTable2::selectedItems() const {
  VL_DCHECK_ON_MAIN();
  DisplayRows rows;
  if (!onFocus_ || dataSource_.empty()) return rows;
  for (long r : tableView_->selectedArr()) {
    if (r >= 0 && r < static_cast<long>(dataSource_.size())) rows.push_back(dataSource_[r]);
  }
  return rows;
}

DisplayRows HintTable2::selectedRecords() const {
  DisplayRows rows = selectedItems();
  std::erase_if(rows, [](const auto& row) { return !standsForRecord(row); });
  return rows;
}

std::shared_ptr<DisplayAttributedString> HintTable2::selectedItem() const {
  VL_DCHECK_ON_MAIN();
  const long r = tableView_->selectedRow();
  if (!onFocus_ || r < 0 || r >= static_cast<long>(dataSource_.size())) return nullptr;
  return dataSource_[r];
}

std::string HintTable2::multipleSelectedString() const {
  std::string text;
  // What was pasted: the records chosen.
  for (const auto& row : selectedRecords()) {
    if (!text.empty()) text += "\r\n";
    if (row) text += row->string();
  }
  return text;
}

std::string HintTable2::selectedContextViewCls() const {
  auto row = lastSelectedItem();
  const std::optional<Json> json = row ? row->json() : std::nullopt;
  if (jsonHas(json, "system")) return jsonText(json, "system");
  if (jsonHas(json, "custom_view")) return jsonText(json, "custom_view");
  return "NSTextView";
}

bool HintTable2::isClipboardItem() const {
  auto row = lastSelectedItem();
  return IndexHelper::isRecord(row ? row->json() : std::nullopt);
}

double HintTable2::selectedTimestamp() const {
  auto row = lastSelectedItem();
  return row ? row->timestamp() : -1;
}

double HintTable2::calcScrollPercentage() const {
  const double range = documentHeight() - frame().height();
  if (range <= 0) return 0;
  return visibleY() / range;
}

void HintTable2::delSelectedItems() {
  VL_DCHECK_ON_MAIN();
  const auto& order = tableView_->selectedArr();
  if (order.empty()) return;
  const long first = order.front();
  std::vector<long> doomed(order.begin(), order.end());
  std::sort(doomed.rbegin(), doomed.rend());
  bool removed = false;
  for (long r : doomed) {
    if (r < 0 || r >= static_cast<long>(dataSource_.size())) continue;
    if (!standsForRecord(dataSource_[r])) continue;
    dataSource_.erase(dataSource_.begin() + r);
    removed = true;
  }
  if (!removed) return;
  tableView_->clearSelected();
  if (dataSource_.empty()) {
    if (hooks_.clearPreview) hooks_.clearPreview();
    tableView_->reload();
    scroller_->reload();
    return;
  }
  tableView_->reload();
  const long count = static_cast<long>(dataSource_.size());
  selectExtending(std::min(first == count ? first - 1 : first, count - 1));
  update();
  scroller_->reload();
  if (count < kPageSize && searchText().empty()) askForOlderRecords();
}

void HintTable2::stash() {
  if (!onFocus_) return;
  onFocus_ = false;
  if (hooks_.enableAliasText) hooks_.enableAliasText(false);
  stashSelectedIndex_ = tableView_->selectedRow();
  if (stashSelectedIndex_ >= 0) tableView_->deselectRow(stashSelectedIndex_);
}

void HintTable2::popStash() {
  if (onFocus_) return;
  onFocus_ = true;
  if (hooks_.enableAliasText) hooks_.enableAliasText(true);
  const long count = static_cast<long>(dataSource_.size());
  // No row remembered (nothing was selected) takes the first; an empty list selects nothing.
  if (count > 0)
    selectExtending(stashSelectedIndex_ >= 0 ? static_cast<long>(stashSelectedIndex_ % count) : 0);
  update();
}

// --- the table, the rows and the indicator ---------------------------------------------------------------

long HintTable2::numberOfRowsInTableView(ui::TableView&) {
  VL_DCHECK_ON_MAIN();
  return static_cast<long>(dataSource_.size());
}

std::shared_ptr<ui::TableRowView> HintTable2::tableViewRowViewForRow(ui::TableView& table, long row) {
  VL_DCHECK_ON_MAIN();
  auto view = std::dynamic_pointer_cast<HintTableRowView>(
      table.makeViewWithIdentifier(HintTableRowView::kReuseIdentifier));
  if (!view) view = HintTableRowView::create(this);
  if (row >= 0 && row < static_cast<long>(dataSource_.size())) view->setText(dataSource_[row]);
  return view;
}

void HintTable2::tableViewDidAddRowView(ui::TableView&, ui::TableRowView& rowView, long) {
  rowView.setBackgroundColor(std::nullopt);
}

bool HintTable2::tableViewShouldSelectRow(ui::TableView&, long) {
  if (blocked()) return false;
  updateVisibleRow();
  const bool shift = FlagsDetect::isShiftOn(), command = FlagsDetect::isCommandOn();
  logDebugf("shift %d,command %d", shift ? 1 : 0, command ? 1 : 0);
  if (!shift && !command) tableView_->clearSelected();
  return true;
}

void HintTable2::rowViewShouldPaste(HintTableRowView&) {
  if (tableView_->selectedArr().size() == 1 && hooks_.paste) hooks_.paste();
}

void HintTable2::rowViewDidSelect(HintTableRowView&) {
  onFocus_ = true;
  update();
  if (hooks_.stashThinkingBar) hooks_.stashThinkingBar();
}

long HintTable2::rowOf(const HintTableRowView& view) const {
  for (long r : tableView_->rowsWithRowViews()) {
    if (tableView_->rowViewAtRow(r, false).get() == &view) return r;
  }
  return -1;
}

std::shared_ptr<ui::Menu> HintTable2::rowViewMenu(HintTableRowView& row) {
  const long r = rowOf(row);
  if (!blocked() && r >= 0 && r < static_cast<long>(dataSource_.size()) && !tableView_->alreadySelected(r)) {
    tableView_->multipleDeselect();
    selectExtending(r);
    rowViewDidSelect(row);
  }
  // Pin and Delete act on records; the web search of the query or a tab's tip has no menu.
  if (selectedRecords().empty()) return nullptr;
  return hooks_.rowMenu ? hooks_.rowMenu() : nullptr;
}

bool HintTable2::rowViewBeginDrag(HintTableRowView& row) {
  if (blocked()) return false;
  DisplayRows rows = selectedItems();
  if (rows.empty() && row.attributedString()) rows.push_back(row.attributedString());
  // The web search's label or a tab's tip dropped elsewhere would be pasted as if it were a record.
  std::erase_if(rows, [](const auto& r) { return !standsForRecord(r); });
  std::vector<PasteboardItem> items = dragItems(rows);
  ui::Window* host = window();
  if (items.empty() || !host) return false;
  return DragSource::shared()->beginDrag(*host, std::move(items), row.dragImage());
}

}  // namespace vl
