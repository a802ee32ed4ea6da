#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/controls/ClipView.h"
#include "platform/ui/controls/Control.h"
#include "platform/ui/table/IndexSet.h"
#include "platform/ui/table/TableRowView.h"

namespace vl::ui {

class TableView;

// Posted on the default notification centre with the table (as `const View*`) as the object.
inline constexpr const char* kTableViewSelectionDidChangeNotification =
    "NSTableViewSelectionDidChangeNotification";

// Animation options of row insertion and removal, as the platform numbers them.
namespace TableViewAnimation {
constexpr unsigned None = 0;
constexpr unsigned EffectFade = 0x1;
constexpr unsigned EffectGap = 0x2;
constexpr unsigned SlideUp = 0x10;
constexpr unsigned SlideDown = 0x20;
constexpr unsigned SlideLeft = 0x30;
constexpr unsigned SlideRight = 0x40;
}  // namespace TableViewAnimation

// The identifier of the row views the table makes itself when the delegate gives none.
inline constexpr const char* kTableViewRowViewKey = "NSTableViewRowViewKey";

class TableColumn {
 public:
  explicit TableColumn(std::string identifier) : identifier_(std::move(identifier)) {}
  static std::shared_ptr<TableColumn> create(std::string identifier) {
    return std::make_shared<TableColumn>(std::move(identifier));
  }
  const std::string& identifier() const { return identifier_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }
  double width() const { return width_; }
  // Clamped to the minimum and maximum width.
  void setWidth(double w);
  double minWidth() const { return minWidth_; }
  void setMinWidth(double w);
  double maxWidth() const { return maxWidth_; }
  void setMaxWidth(double w);
  bool isHidden() const { return hidden_; }
  void setHidden(bool h) { hidden_ = h; }
  TableView* tableView() const { return tableView_; }

 private:
  friend class TableView;
  std::string identifier_;
  std::string title_;
  double width_ = 100;
  double minWidth_ = 10;
  double maxWidth_ = std::numeric_limits<double>::max();
  bool hidden_ = false;
  TableView* tableView_ = nullptr;
};

// Gives the table its row count. Held weakly.
class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual long numberOfRowsInTableView(TableView&) { return 0; }
};

// Shapes the table's rows and rules its selection; every method is optional. Held weakly.
class TableViewDelegate {
 public:
  virtual ~TableViewDelegate() = default;
  // A row's height; nullopt uses the table's rowHeight.
  virtual std::optional<double> tableViewHeightOfRow(TableView&, long /*row*/) { return std::nullopt; }
  // The row view (reuse one with makeViewWithIdentifier); nullptr lets the table make a plain one.
  virtual std::shared_ptr<TableRowView> tableViewRowViewForRow(TableView&, long /*row*/) { return nullptr; }
  // A cell view for a column of a row; nullptr leaves that cell empty.
  virtual std::shared_ptr<View> tableViewViewForTableColumn(TableView&, TableColumn*, long /*row*/) {
    return nullptr;
  }
  virtual void tableViewDidAddRowView(TableView&, TableRowView&, long /*row*/) {}
  virtual void tableViewDidRemoveRowView(TableView&, TableRowView&, long /*row*/) {}
  // Asked for each row the user selects (clicks, arrow keys); false vetoes it.
  virtual bool tableViewShouldSelectRow(TableView&, long /*row*/) { return true; }
  // Asked before any change the user makes to the selection; false vetoes it.
  virtual bool selectionShouldChangeInTableView(TableView&) { return true; }
  virtual void tableViewSelectionDidChange(TableView&) {}
};

// Rows of views in one or more columns. Row views exist only for the rows in the visible rectangle; a row
// view that scrolls out is taken out of the table and kept for reuse under its identifier, where
// makeViewWithIdentifier finds it. Heights are fixed (rowHeight) or asked per row. The table is flipped
// (row 0 at the top) and, as a clip view's document, as wide as the clip view and at least as high.
//
// Selection: the table keeps the selected rows as a set and also in the order they were selected; the
// last one is selectedRow. A click selects one row, Command-click toggles a row, Shift-click adds the rows
// from the anchor to the clicked row in that direction (so the clicked row ends last); arrow keys move,
// and with Shift extend or shrink towards the anchor. The delegate can veto each user selection.
// Selection by code asks no one. Main thread only.
class TableView : public Control, public ScrollClient {
 public:
  explicit TableView(const Rect& frame = {});
  static std::shared_ptr<TableView> create(const Rect& frame = {}) {
    return std::make_shared<TableView>(frame);
  }

  // --- columns --------------------------------------------------------------------------------------
  void addTableColumn(const std::shared_ptr<TableColumn>& column);
  const std::vector<std::shared_ptr<TableColumn>>& tableColumns() const { return columns_; }
  long columnWithIdentifier(const std::string& identifier) const;
  bool hasHeaderView() const { return header_; }
  void setHasHeaderView(bool v) { header_ = v; }

  // --- data -----------------------------------------------------------------------------------------
  std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(const std::shared_ptr<TableViewDataSource>& d) { dataSource_ = d; }
  std::shared_ptr<TableViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<TableViewDelegate>& d) { delegate_ = d; }

  void setRowHeight(double h);
  // Space between columns and between rows (default none); a row's rectangle includes its share.
  Size intercellSpacing() const { return spacing_; }
  void setIntercellSpacing(Size s);
  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(std::optional<Color> c);
  TableSelectionHighlightStyle selectionHighlightStyle() const { return highlightStyle_; }
  void setSelectionHighlightStyle(TableSelectionHighlightStyle s);
  void setAllowsMultipleSelection(bool v) { allowsMultiple_ = v; }

  // Asks the data source for the count again, drops every row view (to reuse) and asks the delegate for
  // the visible ones anew. Selected rows past the new end are deselected.
  void reloadData();
  // Asks again for the row views of these rows (those that exist).
  void noteNumberOfRowsChanged();
  void noteHeightOfRowsWithIndexesChanged(const IndexSet& rows);
  long numberOfRows() const { return rowCount_; }

  Rect rectOfRow(long row) const;
  Rect rectOfColumn(long column) const;
  // -1 outside the rows.
  long rowAtPoint(Point p) const;
  // The first row and the count of rows meeting the rectangle.
  std::pair<long, long> rowsInRect(const Rect& r) const;

  // The row view of a row: the existing one, or (makeIfNecessary) a new one even off screen; nullptr for
  // rows out of range.
  std::shared_ptr<TableRowView> rowViewAtRow(long row, bool makeIfNecessary);
  View* viewAtColumnRow(long column, long row, bool makeIfNecessary);
  // A view waiting for reuse under the identifier, taken out of the pool; nullptr when none waits.
  std::shared_ptr<View> makeViewWithIdentifier(const std::string& identifier, const void* owner = nullptr);
  // Rows that have a row view now, ascending.
  std::vector<long> rowsWithRowViews() const;
  std::size_t reusableViewCount() const;

  // --- selection ------------------------------------------------------------------------------------
  // Every selection change by the user also comes through here, with the whole new selection and no
  // extension, so a subclass that watches it sees them all.
  virtual void selectRowIndexes(const IndexSet& rows, bool byExtendingSelection);
  virtual void deselectRow(long row);
  void deselectAll();
  void selectAll();
  const IndexSet& selectedRowIndexes() const { return selected_; }
  // In the order the rows were selected.
  const std::vector<long>& selectedRowsInOrder() const { return order_; }
  // The row selected last; -1 when none.
  long selectedRow() const { return order_.empty() ? -1 : order_.back(); }
  bool isRowSelected(long row) const { return selected_.contains(row); }
  // The row of the last click (-1 on empty space).
  long clickedRow() const { return clickedRow_; }
  // As a click with these modifier flags would: asks the delegate, then selects.
  void userSelectRow(long row, std::uint64_t modifierFlags);
  // As the up (-1) and down (+1) arrows would, with Shift when `extend`.
  void moveSelectionBy(int delta, bool extend);

  // --- updates --------------------------------------------------------------------------------------
  // Inserts and removes between begin and end are laid out together at the end.
  void beginUpdates();
  void endUpdates();
  // The data source already has the rows; the table shifts what follows (selection included) and
  // animates the row views into their places.
  void insertRowsAtIndexes(const IndexSet& rows, unsigned animationOptions);
  void removeRowsAtIndexes(const IndexSet& rows, unsigned animationOptions);
  unsigned lastAnimationOptions() const { return lastAnimation_; }

  void scrollRowToVisible(long row);

  void setDoubleAction(std::string a) { doubleAction_ = std::move(a); }

  // --- view -----------------------------------------------------------------------------------------
  bool isFlipped() const override { return true; }
  bool acceptsFirstResponder() const override { return isEnabled(); }
  void mouseDown(const Event& event) override;
  void keyDown(const Event& event) override;
  bool respondsToAction(const std::string& action) const override;
  bool performAction(const std::string& action, ActionTarget* sender) override;
  void drawRect(const Rect& dirtyRect) override;
  void setFrameSize(Size size) override;
  void viewDidMoveToSuperview() override;
  void clipViewBoundsDidChange(ClipView& clip) override;
  void clipViewFrameDidChange(ClipView& clip) override;

  // Creates and removes row views for what is visible now.
  void tile();

 private:
  void recomputeHeights();
  void updateFrame();
  std::shared_ptr<TableRowView> makeRowView(long row);
  void recycle(const std::shared_ptr<TableRowView>& view, long oldRow);
  void layoutRowViews(unsigned animation, const IndexSet& inserted);
  void setSelection(const IndexSet& rows, const std::vector<long>& order);
  // A user's change: through selectRowIndexes, keeping the order worked out for it.
  void applyUserSelection(const IndexSet& rows, const std::vector<long>& order);
  void addToSelection(long row);
  void selectionChanged();
  ClipView* clipView() const { return dynamic_cast<ClipView*>(superview()); }

  std::vector<std::shared_ptr<TableColumn>> columns_;
  bool header_ = false;
  std::weak_ptr<TableViewDataSource> dataSource_;
  std::weak_ptr<TableViewDelegate> delegate_;
  double rowHeight_ = 24;
  Size spacing_;
  std::optional<Color> backgroundColor_;
  TableSelectionHighlightStyle highlightStyle_ = TableSelectionHighlightStyle::Regular;
  bool allowsMultiple_ = false;
  bool allowsEmpty_ = true;

  long rowCount_ = 0;
  std::vector<double> offsets_{0};  // offsets_[i]: top of row i; the last entry is the rows' total height
  std::map<long, std::shared_ptr<TableRowView>> rowViews_;
  std::map<std::string, std::vector<std::shared_ptr<View>>> pool_;

  IndexSet selected_;
  std::vector<long> order_;
  std::optional<std::vector<long>> proposedOrder_;
  long anchor_ = -1;
  long cursor_ = -1;
  long clickedRow_ = -1;

  int updateDepth_ = 0;
  unsigned pendingAnimation_ = 0;
  IndexSet pendingInserted_;
  unsigned lastAnimation_ = 0;
  bool tiling_ = false;
  std::string doubleAction_;
};

}  // namespace vl::ui
