#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/view/Transaction.h"

namespace vl::ui {
namespace {

// A list of rows whose row views are reused under "row_reuse", as the application's lists do; with
// columns, cell views are reused under the column's identifier.
class Rows : public TableViewDataSource, public TableViewDelegate {
 public:
  explicit Rows(long rows) : count(rows) {}
  long numberOfRowsInTableView(TableView&) override { return count; }
  std::optional<double> tableViewHeightOfRow(TableView&, long row) override {
    auto it = heights.find(row);
    if (it != heights.end()) return it->second;
    return std::nullopt;
  }
  std::shared_ptr<TableRowView> tableViewRowViewForRow(TableView& table, long) override {
    auto view = std::dynamic_pointer_cast<TableRowView>(table.makeViewWithIdentifier("row_reuse"));
    if (view) {
      ++reused;
      return view;
    }
    ++created;
    view = TableRowView::create();
    view->setIdentifier("row_reuse");
    made.insert(view.get());
    return view;
  }
  std::shared_ptr<View> tableViewViewForTableColumn(TableView& table, TableColumn* column,
                                                    long row) override {
    if (!cells) return nullptr;
    auto cell = table.makeViewWithIdentifier(column->identifier());
    if (!cell) {
      ++cellsMade;
      cell = View::create();
      cell->setIdentifier(column->identifier());
    }
    cell->setTag(row);
    return cell;
  }
  void tableViewDidAddRowView(TableView&, TableRowView&, long row) override { added.push_back(row); }
  bool tableViewShouldSelectRow(TableView&, long row) override { return vetoed.count(row) == 0; }
  void tableViewSelectionDidChange(TableView&) override { ++selectionChanges; }

  long count;
  bool cells = false;
  std::map<long, double> heights;
  std::set<long> vetoed;
  int created = 0, reused = 0, cellsMade = 0, selectionChanges = 0;
  std::set<const TableRowView*> made;
  std::vector<long> added;
};

// Notes every selectRowIndexes call, as a list that keeps its own selection bookkeeping would.
class RecordingTable : public TableView {
 public:
  void selectRowIndexes(const IndexSet& rows, bool extend) override {
    calls.push_back(rows.description() + (extend ? " extend" : ""));
    TableView::selectRowIndexes(rows, extend);
  }
  std::vector<std::string> calls;
};

class TableViewTest : public test::ControlTest {
 protected:
  void makeTable(long rows, double height = 320, bool cells = false) {
    rows_ = std::make_shared<Rows>(rows);
    rows_->cells = cells;
    scroll_ = ScrollView::create({0, 0, 300, height});
    table_ = std::make_shared<RecordingTable>();
    table_->addTableColumn(TableColumn::create("display"));
    table_->setRowHeight(32);
    table_->setAllowsMultipleSelection(true);
    table_->setDataSource(rows_);
    table_->setDelegate(rows_);
    scroll_->setDocumentView(table_);
    add(scroll_);
    table_->reloadData();
  }
  void scrollTo(double y) { scroll_->contentView()->scrollToPoint({0, y}); }
  double scrolledTo() { return scroll_->contentView()->bounds().origin.y; }
  void clickRow(long row, std::uint64_t flags = 0, int clicks = 1) {
    Rect r = table_->rectOfRow(row);
    events_.click(window_, table_->convertPointToView({r.midX(), r.midY()}, nullptr), flags, clicks);
  }
  std::vector<long> selected() { return table_->selectedRowsInOrder(); }

  std::shared_ptr<Rows> rows_;
  std::shared_ptr<ScrollView> scroll_;
  std::shared_ptr<RecordingTable> table_;
  EventDriver events_;
};

TEST_F(TableViewTest, ThousandRowsMakeViewsOnlyForVisibleRowsAndReuseThem) {
  makeTable(1000);
  EXPECT_DOUBLE_EQ(table_->frame().size.height, 32000);
  EXPECT_EQ(table_->rowsWithRowViews(), (std::vector<long>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(rows_->created, 10);
  for (int step = 1; step <= 100; ++step) scrollTo(step * 16.0);  // half a row at a time, 50 rows down
  std::vector<long> visible = table_->rowsWithRowViews();
  EXPECT_EQ(visible.front(), 50);
  EXPECT_EQ(visible.back(), 59);
  // Half-row steps show at most eleven rows at once, so eleven views serve all sixty rows.
  EXPECT_LE(rows_->created, 11);
  EXPECT_GE(rows_->reused, 49);
  for (long row : visible) {
    auto view = table_->rowViewAtRow(row, false);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->row(), row);
    EXPECT_EQ(view->frame(), table_->rectOfRow(row));
    EXPECT_TRUE(rows_->made.count(view.get()));
  }
  EXPECT_EQ(table_->rowViewAtRow(0, false), nullptr);  // scrolled out, not made again
  scrollTo(1e9);                                       // clamped to the end
  EXPECT_DOUBLE_EQ(scrolledTo(), 32000 - 320);
  EXPECT_EQ(table_->rowsWithRowViews().back(), 999);
}

TEST_F(TableViewTest, VariableHeightsPlaceRows) {
  makeTable(5);
  rows_->heights = {{1, 100}, {3, 10}};
  table_->noteHeightOfRowsWithIndexesChanged({});
  EXPECT_EQ(table_->rectOfRow(2), (Rect{0, 132, 300, 32}));
  EXPECT_EQ(table_->rowAtPoint({5, 131}), 1);
  EXPECT_EQ(table_->rowAtPoint({5, 170}), 3);  // row 3 spans 164...174
  EXPECT_EQ(table_->rowAtPoint({5, 500}), -1);
  rows_->heights[4] = -5;  // a nonsense height falls back to the row height
  table_->reloadData();
  EXPECT_DOUBLE_EQ(table_->rectOfRow(4).height(), 32);
  EXPECT_DOUBLE_EQ(table_->frame().size.height, 320);  // at least the clip view's height
}

TEST_F(TableViewTest, ShiftArrowsExtendAndShrinkInOrder) {
  makeTable(30);
  table_->selectRowIndexes({3}, false);
  window_->makeFirstResponder(table_.get());
  for (int i = 0; i < 3; ++i) events_.typeKey(KeyCode::DownArrow, ModifierFlags::Shift);
  EXPECT_EQ(selected(), (std::vector<long>{3, 4, 5, 6}));
  EXPECT_EQ(table_->selectedRow(), 6);
  events_.typeKey(KeyCode::UpArrow, ModifierFlags::Shift);  // back towards the anchor
  EXPECT_EQ(selected(), (std::vector<long>{3, 4, 5}));
  EXPECT_EQ(table_->selectedRow(), 5);
  events_.typeKey(KeyCode::DownArrow);  // without Shift: one row
  EXPECT_EQ(selected(), (std::vector<long>{6}));
}

TEST_F(TableViewTest, ShiftClickAddsFromTheAnchorTowardsTheClickThroughSelectRowIndexes) {
  makeTable(30);
  clickRow(7);
  // A click on a row gives the table the keyboard even though the row view takes no focus.
  EXPECT_EQ(window_->firstResponder(), table_.get());
  clickRow(2, ModifierFlags::Shift);
  EXPECT_EQ(selected(), (std::vector<long>{7, 6, 5, 4, 3, 2}));
  EXPECT_EQ(table_->selectedRow(), 2);
  clickRow(5, ModifierFlags::Command);  // toggles one row out, the others keep their order
  EXPECT_EQ(selected(), (std::vector<long>{7, 6, 4, 3, 2}));
  table_->calls.clear();
  clickRow(9);
  EXPECT_EQ(selected(), (std::vector<long>{9}));
  EXPECT_TRUE(table_->rowViewAtRow(9, false)->isSelected());
  EXPECT_FALSE(table_->rowViewAtRow(7, false)->isSelected());
  // Every user selection reaches an override of selectRowIndexes as one whole set.
  table_->userSelectRow(4, 0);
  table_->userSelectRow(2, ModifierFlags::Shift);
  table_->moveSelectionBy(-1, true);
  EXPECT_EQ(table_->calls, (std::vector<std::string>{"[9]", "[4]", "[2, 3, 4]", "[1, 2, 3, 4]"}));
  EXPECT_EQ(selected(), (std::vector<long>{4, 3, 2, 1}));
}

TEST_F(TableViewTest, TheDelegateVetoesUserSelectionButNotCode) {
  makeTable(10);
  rows_->vetoed = {4};
  table_->userSelectRow(4, 0);
  EXPECT_EQ(table_->selectedRow(), -1);
  EXPECT_EQ(rows_->selectionChanges, 0);
  table_->selectRowIndexes({3}, false);
  table_->moveSelectionBy(1, false);  // onto the vetoed row: stays
  EXPECT_EQ(table_->selectedRow(), 3);
  table_->selectRowIndexes({4}, false);
  EXPECT_EQ(table_->selectedRow(), 4);
  EXPECT_EQ(rows_->selectionChanges, 2);
  int posted = 0;
  Observation o = NotificationCenter::defaultCenter().observe(
      kTableViewSelectionDidChangeNotification, table_.get(), [&](const Notification&) { ++posted; });
  table_->deselectRow(4);
  table_->deselectRow(4);  // not selected: nothing to tell
  EXPECT_EQ(posted, 1);
}

TEST_F(TableViewTest, SingleSelectionKeepsOneRowAndReloadKeepsValidRows) {
  makeTable(10);
  table_->selectRowIndexes({2, 8}, false);
  rows_->count = 5;
  rows_->added.clear();
  table_->reloadData();
  EXPECT_EQ(selected(), (std::vector<long>{2}));
  EXPECT_EQ(rows_->added, (std::vector<long>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(table_->rowViewAtRow(2, false)->isSelected());

  table_->setAllowsMultipleSelection(false);
  table_->selectRowIndexes({1, 2, 3}, false);
  EXPECT_EQ(table_->selectedRowIndexes(), (IndexSet{3}));
  table_->userSelectRow(4, ModifierFlags::Shift);
  EXPECT_EQ(table_->selectedRowIndexes(), (IndexSet{4}));
  table_->selectRowIndexes({42}, true);  // past the end: ignored
  EXPECT_EQ(table_->selectedRowIndexes(), (IndexSet{4}));
}

TEST_F(TableViewTest, AnimatedInsertAndRemoveShiftRowsAndSelection) {
  makeTable(5);
  table_->selectRowIndexes({2}, false);
  auto oldFirst = table_->rowViewAtRow(0, false);
  rows_->count = 6;
  table_->beginUpdates();
  table_->insertRowsAtIndexes({0}, TableViewAnimation::SlideDown);
  table_->endUpdates();
  EXPECT_EQ(table_->numberOfRows(), 6);
  EXPECT_EQ(table_->selectedRowIndexes(), (IndexSet{3}));  // the same row, one further down
  EXPECT_EQ(oldFirst->row(), 1);
  auto inserted = table_->rowViewAtRow(0, false);
  ASSERT_TRUE(inserted);
  EXPECT_EQ(inserted->frame(), table_->rectOfRow(0));  // its place at once
  ASSERT_TRUE(inserted->layer());                      // and an animation on the way there
  EXPECT_FALSE(inserted->layer()->animationKeys().empty());
  events_.advance(1000);

  rows_->count = 4;
  table_->removeRowsAtIndexes({1, 3}, TableViewAnimation::SlideUp);  // row 3 was selected
  EXPECT_EQ(table_->numberOfRows(), 4);
  EXPECT_TRUE(table_->selectedRowIndexes().empty());
  EXPECT_EQ(table_->rowsWithRowViews(), (std::vector<long>{0, 1, 2, 3}));
  table_->removeRowsAtIndexes({7}, TableViewAnimation::None);  // past the end: logged, ignored
  EXPECT_EQ(table_->numberOfRows(), 4);
  EXPECT_TRUE(test::logContains("past the end"));
}

TEST_F(TableViewTest, RowViewAtRowWithoutCreatingAndScrollRowToVisible) {
  makeTable(100);
  int before = rows_->created + rows_->reused;
  EXPECT_EQ(table_->rowViewAtRow(50, false), nullptr);
  EXPECT_EQ(rows_->created + rows_->reused, before);  // asking made nothing
  table_->scrollRowToVisible(50);
  // The least scroll: row 50 ends at the clip view's bottom edge.
  EXPECT_DOUBLE_EQ(scrolledTo(), 51 * 32 - 320);
  ASSERT_TRUE(table_->rowViewAtRow(50, false));
  table_->scrollRowToVisible(45);  // already visible: no scrolling
  EXPECT_DOUBLE_EQ(scrolledTo(), 51 * 32 - 320);
  table_->scrollRowToVisible(0);
  EXPECT_DOUBLE_EQ(scrolledTo(), 0);
  table_->scrollRowToVisible(100);
  EXPECT_TRUE(test::logContains("cannot scroll to row 100"));
  EXPECT_EQ(table_->rowViewAtRow(100, true), nullptr);
}

TEST_F(TableViewTest, DoubleClickSendsTheDoubleAction) {
  makeTable(10);
  auto target = std::make_shared<test::ActionRecorder>();
  table_->setTarget(target);
  table_->setAction("click:");
  table_->setDoubleAction("open:");
  clickRow(1);
  clickRow(1, 0, 2);
  EXPECT_EQ(target->actions, (std::vector<std::string>{"click:", "open:"}));
  EXPECT_EQ(table_->clickedRow(), 1);
}

TEST_F(TableViewTest, ColumnsGetCellViewsThatAreReused) {
  makeTable(200, 96, true);
  table_->tableColumns()[0]->setWidth(100);
  table_->addTableColumn(TableColumn::create("value"));
  table_->reloadData();
  EXPECT_EQ(table_->rectOfColumn(1), (Rect{100, 0, 200, 200 * 32}));  // the last column fills the width
  View* value = table_->viewAtColumnRow(1, 2, false);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->tag(), 2);
  EXPECT_EQ(value->frame(), (Rect{100, 0, 200, 32}));
  EXPECT_EQ(rows_->cellsMade, 6);  // three rows, two columns
  for (int step = 1; step <= 40; ++step) scrollTo(step * 32.0);
  EXPECT_LE(rows_->cellsMade, 8);
  EXPECT_EQ(table_->viewAtColumnRow(0, 41, false)->tag(), 41);
  EXPECT_EQ(table_->columnWithIdentifier("value"), 1);
  EXPECT_EQ(table_->viewAtColumnRow(5, 41, false), nullptr);
}

}  // namespace
}  // namespace vl::ui
