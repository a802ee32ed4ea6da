#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "Windows/Main/list/FocusStash.h"
#include "Windows/Main/list/HintTableHooks.h"
#include "Windows/Main/list/HintTableInnerTableView.h"
#include "Windows/Main/list/HintTableRowView.h"
#include "Windows/Main/list/HintTableScroller.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Text.h"
#include "ui/view/VLVisualEffectScrollView.h"

namespace vl {

// The record list: the rows of the store's last answer, 32 points each, twelve in view. The keyboard
// and the wheel move the selection one whole row at a time and wrap at both ends; moving past the last
// row of the unfiltered history asks the store for older records once. The list keeps the order rows
// were chosen in, so the preview, the thinking bar and a single paste take the last one.
//
// Rows are views only for what is in view, reused as the list scrolls; a row lays its text out when it
// is handed a record. Main thread only (checked): the result channel hands rows over on the main thread
// (ChunkContent), so the rows need no lock.
class HintTable2 : public VLVisualEffectScrollView,
                   public ui::TableViewDataSource,
                   public ui::TableViewDelegate,
                   public HintTableRowViewDelegate,
                   public FocusStash,
                   public HintTableScrollerDelegate,
                   public ShortcutReceiver {
 public:
  static constexpr double kRowHeight = 32;
  static constexpr std::int64_t kPageSize = 12;
  static constexpr double kPageHeight = kRowHeight * kPageSize;
  // How a move happened: the wheel steers the scroll offset itself.
  enum GestureState : std::uint64_t { Reset = 0, KeyUp = 2, KeyDown = 3, WheelUp = 4, WheelDown = 5 };

  struct WheelCounter {
    double offsetY = 0;
  };

  explicit HintTable2(HintTableHooks hooks = {});
  // A list registered for the navigation shortcut names.
  static std::shared_ptr<HintTable2> create(HintTableHooks hooks = {});
  ~HintTable2() override;

  // --- taking and showing results -------------------------------------------------------------------
  // The result channel's hand-over: new rows, or (loadMore) older rows to append.
  void refreshDataSource(DisplayRows rows, bool loadMore);
  void reload();
  void reloadMore();
  // Shows the same rows again (the preview was switched), keeping the selected row.
  void simapleReload();
  const DisplayRows& getDataSource() const {
    VL_DCHECK_ON_MAIN();
    return dataSource_;
  }

  // --- moving -----------------------------------------------------------------------------------------
  void upAction();
  void downAction();
  void responderUp();
  void responderDown();
  bool resolvedShortcutKey(const std::string& name) override;
  void scrollWheel(const ui::Event& event) override;

  // --- the selection ----------------------------------------------------------------------------------
  // Tells the preview, the thinking bar and the indicator.
  void update();
  // Removes the selected rows that stand for records; a row that is none stays, as nothing deleted it.
  void delSelectedItems();
  std::shared_ptr<DisplayAttributedString> lastSelectedItem() const;
  DisplayRows selectedItems() const;
  // The selected rows that stand for records (IndexHelper::isRecord), in the order they were chosen:
  // what a delete, a pin, a paste or a drag acts on.
  DisplayRows selectedRecords() const;
  std::shared_ptr<DisplayAttributedString> selectedItem() const;
  std::string multipleSelectedString() const;
  std::string selectedContextViewCls() const;
  bool isClipboardItem() const;
  double selectedTimestamp() const;
  double calcScrollPercentage() const;
  void stash() override;
  void popStash() override;
  bool blocked() const;

  // --- parts and state --------------------------------------------------------------------------------
  ui::Size size() const;
  bool isFlow() const { return false; }
  const std::shared_ptr<HintTableInnerTableView>& tableView() const { return tableView_; }
  const std::shared_ptr<HintTableScroller>& scroller() const { return scroller_; }
  const WheelCounter& wheelCounter() const { return wheelCounter_; }
  std::uint64_t gestureState() const { return gestureState_; }
  void setGestureState(std::uint64_t state);
  bool excludeWheelGesture() const { return gestureState_ != WheelUp && gestureState_ != WheelDown; }
  Range insertRange() const { return insertRange_; }
  bool onFocus() const { return onFocus_; }
  bool scrollingEnabled() const { return scrollingEnabled_; }
  std::int64_t stashSelectedIndex() const { return stashSelectedIndex_; }
  std::int64_t upVisibleRow() const { return upVisibleRow_; }
  std::int64_t downVisibleRow() const { return downVisibleRow_; }
  void updateVisibleRow();
  HintTableHooks& hooks() { return hooks_; }

  // --- the table, the rows and the indicator ----------------------------------------------------------
  long numberOfRowsInTableView(ui::TableView&) override;
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ui::TableView&, long row) override;
  void tableViewDidAddRowView(ui::TableView&, ui::TableRowView& rowView, long row) override;
  bool tableViewShouldSelectRow(ui::TableView&, long row) override;
  void rowViewShouldPaste(HintTableRowView&) override;
  void rowViewDidSelect(HintTableRowView&) override;
  double rowViewListWidth() const override { return frame().width(); }
  // The row menu acts on the choice: a right click outside it chooses the row first, one inside a
  // choice of several keeps it.
  std::shared_ptr<ui::Menu> rowViewMenu(HintTableRowView& row) override;
  // Drags the selected rows' records out (the row under the pointer joins the selection first).
  bool rowViewBeginDrag(HintTableRowView& row) override;
  double hintTableScrollerOriginX() override { return frame().maxX(); }
  double hintTableScrollerPageHeight() override { return frame().height(); }
  std::int64_t hintTableScrollerPageSize() override { return kPageSize; }
  std::int64_t hintTableScrollerDataSize() override;
  void hintTableScrollerMoveUp() override;
  void hintTableScrollerMoveDown() override;

  void viewDidMoveToSuperview() override;

 private:
  void scrollTo(double y);
  void askForOlderRecords();
  std::shared_ptr<DisplayAttributedString> createSearchDisplay(const DisplayRows& rows) const;
  std::string searchText() const { return hooks_.searchText ? hooks_.searchText() : std::string(); }
  double documentHeight() const;
  double visibleY() const { return documentVisibleRect().minY(); }
  void selectExtending(long row);
  // The index of the row shown by `view`; -1 when it shows none.
  long rowOf(const HintTableRowView& view) const;

  HintTableHooks hooks_;
  WheelCounter wheelCounter_;
  std::uint64_t gestureState_ = Reset;
  double downTimestamp_ = 0;
  double upTimestamp_ = 0;
  Range insertRange_{0, 0};
  bool scrollingEnabled_ = false;
  bool onFocus_ = true;
  std::shared_ptr<HintTableScroller> scroller_;
  std::int64_t stashSelectedIndex_ = 0;
  std::shared_ptr<HintTableInnerTableView> tableView_;
  // A load-more inside a move may hand rows back before the move goes on: read the size afresh after.
  DisplayRows dataSource_;
  std::int64_t upVisibleRow_ = 0;
  std::int64_t downVisibleRow_ = kPageSize - 1;
  // The row count at which older records were last asked for: the store answers each end once.
  long loadMoreAskedAt_ = -1;
};

}  // namespace vl
