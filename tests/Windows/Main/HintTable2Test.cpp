#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/HintTable2.h"
#include "core/keys/FlagsDetect.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/ui/view/AnimationEngine.h"
#include "theme/VLFont.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

DisplayRows rows(int count, int from = 0) {
  DisplayRows out;
  for (int i = from; i < from + count; ++i) {
    auto row = DisplayAttributedString::resultRow("record " + std::to_string(i), std::vector<Range>{},
                                                  VLFont::mainFont());
    row->setTimestamp(i);
    out.push_back(row);
  }
  return out;
}

class HintTable2Test : public test::WidgetTest {
 protected:
  void SetUp() override {
    test::WidgetTest::SetUp();
    LocalShortcutsManager::shared().removeAllReceiversForTesting();
    FlagsDetect::setCurrentEventFlagsProvider([this] { return flags_; });
    HintTableHooks hooks;
    hooks.searchText = [this] { return search_; };
    hooks.blocked = [this] { return blocked_; };
    hooks.loadMore = [this] {
      ++loadMoreAsked_;
      list_->refreshDataSource(older_, true);
      list_->reloadMore();
      older_.clear();
    };
    hooks.takeArrivalAnimation = [this] { return std::exchange(arrived_, false); };
    hooks.preview = [this](const PreviewNotice& n) { previewed_ = n.row; };
    list_ = HintTable2::create(hooks);
    window_->setFrame({100, 100, 400, 480}, false);  // the whole list in view
    add(list_);
  }
  void TearDown() override {
    FlagsDetect::setCurrentEventFlagsProvider(nullptr);
    test::WidgetTest::TearDown();
  }

  void show(int count) {
    list_->refreshDataSource(rows(count), false);
    list_->reload();
  }
  void selectOnly(long row) {
    list_->tableView()->multipleDeselect();
    list_->tableView()->selectRowIndexes(ui::IndexSet{row}, true);
  }
  void press(const std::string& key) {
    flags_ = key.starts_with("shift-") ? FlagsDetect::kShiftFlag : 0;
    const bool up = key.ends_with("up");
    EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey(
        flags_ ? (up ? "multiHistoryUp" : "multiHistoryDown") : (up ? "historyUp" : "historyDown")));
    flags_ = 0;
  }
  std::vector<long> order() const { return list_->tableView()->selectedArr(); }
  double top() const { return list_->documentVisibleRect().minY(); }

  std::shared_ptr<HintTable2> list_;
  std::string search_;
  bool blocked_ = false;
  bool arrived_ = false;
  int loadMoreAsked_ = 0;
  DisplayRows older_;
  std::uint64_t flags_ = 0;
  std::shared_ptr<DisplayAttributedString> previewed_;
};

TEST_F(HintTable2Test, KeyboardMovesWrapAndExtend) {
  struct Case {
    const char* name;
    int rows;
    std::string search;
    long start;
    std::vector<std::string> keys;
    std::vector<long> order;
    double top;
  };
  const std::vector<Case> cases = {
      {"down", 30, "", 0, {"down", "down"}, {2}, 0},
      {"up from the top wraps to the last page", 30, "", 0, {"up"}, {29}, 30 * 32 - 384},
      {"down from the last row of a search wraps", 30, "ab", 30, {"down"}, {0}, 0},
      {"down past the page scrolls a row", 30, "", 11, {"down"}, {12}, 32},
      {"shift extends", 30, "", 3, {"shift-down", "shift-down", "shift-down"}, {3, 4, 5, 6}, 0},
      {"shift back shrinks", 30, "", 3, {"shift-down", "shift-down", "shift-down", "shift-up"}, {3, 4, 5}, 0},
      {"a plain move after extending leaves one", 30, "", 3, {"shift-down", "shift-down", "down"}, {6}, 0},
      {"shift up from the top wraps and extends", 5, "", 0, {"shift-up"}, {0, 4}, 0},
  };
  for (const Case& c : cases) {
    search_ = c.search;
    show(c.rows);  // a search adds its web-search row at the end
    selectOnly(c.start);
    for (const std::string& key : c.keys) press(key);
    EXPECT_EQ(order(), c.order) << c.name;
    EXPECT_EQ(top(), c.top) << c.name;
    EXPECT_EQ(previewed_, list_->getDataSource()[c.order.back()]) << c.name;
  }
}

TEST_F(HintTable2Test, ShiftClickRecordsFromTheLastSelectedRowAndCommandClickKeepsTheOrder) {
  show(10);
  selectOnly(7);
  flags_ = FlagsDetect::kShiftFlag;
  list_->tableView()->userSelectRow(2, ui::ModifierFlags::Shift);
  EXPECT_EQ(order(), (std::vector<long>{7, 6, 5, 4, 3, 2}));
  flags_ = FlagsDetect::kCommandFlag;
  list_->tableView()->userSelectRow(4, ui::ModifierFlags::Command);
  EXPECT_EQ(order(), (std::vector<long>{7, 6, 5, 3, 2}));
}

// The row menu acts on the choice, so a right click on a row outside it chooses that row alone first;
// one inside a choice of several keeps the choice and its order.
TEST_F(HintTable2Test, ARightClickOutsideTheChoiceChoosesTheRow) {
  struct Case {
    const char* name;
    std::vector<long> chosen;  // in the order chosen
    long rightClicked;
    std::vector<long> order;
  };
  const std::vector<Case> cases = {
      {"outside a choice of one", {0}, 4, {4}},
      {"outside a choice of several", {1, 2}, 6, {6}},
      {"inside a choice of several", {1, 2, 3}, 2, {1, 2, 3}},
      {"the one chosen row", {5}, 5, {5}},
  };
  for (const Case& c : cases) {
    show(8);
    list_->tableView()->multipleDeselect();
    for (long r : c.chosen) list_->tableView()->selectRowIndexes(ui::IndexSet{r}, true);
    list_->update();
    auto row =
        std::dynamic_pointer_cast<HintTableRowView>(list_->tableView()->rowViewAtRow(c.rightClicked, true));
    ASSERT_TRUE(row) << c.name;
    list_->rowViewMenu(*row);
    EXPECT_EQ(order(), c.order) << c.name;
    EXPECT_EQ(list_->tableView()->selectedRowIndexes().count(), c.order.size()) << c.name;
    ASSERT_TRUE(previewed_) << c.name;
    EXPECT_EQ(previewed_->string(), "record " + std::to_string(c.order.back())) << c.name;
  }
  // While a panel is shown nothing is chosen.
  selectOnly(0);
  blocked_ = true;
  list_->rowViewMenu(*std::dynamic_pointer_cast<HintTableRowView>(list_->tableView()->rowViewAtRow(3, true)));
  EXPECT_EQ(order(), std::vector<long>{0});
}

TEST_F(HintTable2Test, OlderRecordsAreAskedForOncePerEndOfTheHistory) {
  show(20);
  selectOnly(19);
  older_ = rows(5, 20);
  press("down");
  EXPECT_EQ(loadMoreAsked_, 1);
  EXPECT_EQ(order(), std::vector<long>{20});  // the first older record
  EXPECT_EQ(list_->insertRange(), Range(20, 5));

  selectOnly(24);
  press("down");  // nothing older: wraps to the top
  EXPECT_EQ(loadMoreAsked_, 2);
  EXPECT_EQ(order(), std::vector<long>{0});
  EXPECT_EQ(top(), 0);

  selectOnly(24);
  press("down");  // the store already said there is nothing older
  EXPECT_EQ(loadMoreAsked_, 2);
  EXPECT_EQ(order(), std::vector<long>{0});

  search_ = "ab";
  show(20);
  selectOnly(20);
  press("down");
  EXPECT_EQ(loadMoreAsked_, 2);
}

TEST_F(HintTable2Test, ANewCopySlidesIntoTheFirstRowOnce) {
  show(5);
  arrived_ = true;
  list_->refreshDataSource(rows(6), false);
  list_->reload();
  EXPECT_EQ(list_->tableView()->lastAnimationOptions(), ui::TableViewAnimation::SlideDown);
  auto first = list_->tableView()->rowViewAtRow(0, false);
  ASSERT_TRUE(first);
  EXPECT_GT(ui::AnimationEngine::shared().runningCount(), 0u);
  dispatch::MainLoop::advance(1000);
  EXPECT_EQ(ui::AnimationEngine::shared().runningCount(), 0u);
  EXPECT_EQ(first->frame(), list_->tableView()->rectOfRow(0));
  EXPECT_EQ(order(), std::vector<long>{0});
  EXPECT_FALSE(arrived_);
}

TEST_F(HintTable2Test, WheelStepsMoveOneRowAndCloseStepsCountOnce) {
  show(30);
  auto wheel = [&](double dy) { list_->scrollWheel(ui::Event::scrollEvent({10, 10}, 0, dy)); };
  wheel(-1);
  clock_->advanceMs(10);
  wheel(-1);
  EXPECT_EQ(order(), std::vector<long>{1});
  clock_->advanceMs(60);
  wheel(-1);
  EXPECT_EQ(order(), std::vector<long>{2});
  EXPECT_EQ(top(), 64);  // the wheel moves the view a row with the selection
  blocked_ = true;
  clock_->advanceMs(60);
  wheel(-1);
  EXPECT_EQ(order(), std::vector<long>{2});
  EXPECT_FALSE(LocalShortcutsManager::shared().offerShortcutKey("historyDown"));
}

TEST_F(HintTable2Test, IndicatorSearchRowAndDeletion) {
  for (auto [count, height] : std::vector<std::pair<int, double>>{{12, 0}, {13, 384}, {100, 36}}) {
    show(count);
    EXPECT_DOUBLE_EQ(list_->scroller()->height(), height) << count;
  }
  search_ = "ab";
  show(3);
  EXPECT_EQ(list_->getDataSource().back()->string(), localized("searchFor") + " 'ab'");
  DisplayRows again = list_->getDataSource();
  list_->refreshDataSource(again, false);
  EXPECT_EQ(list_->getDataSource().size(), 4u);

  search_.clear();
  show(3);
  selectOnly(2);
  list_->delSelectedItems();
  EXPECT_EQ(order(), std::vector<long>{1});
  EXPECT_EQ(previewed_, list_->getDataSource()[1]);
}

TEST_F(HintTable2Test, TheThinkingBarBorrowsTheFocusAndGivesItBack) {
  bool alias = true;
  list_->hooks().enableAliasText = [&](bool on) { alias = on; };
  show(5);
  selectOnly(3);
  list_->stash();
  EXPECT_FALSE(alias);
  EXPECT_EQ(list_->lastSelectedItem(), nullptr);
  EXPECT_FALSE(list_->tableView()->isRowSelected(3));
  list_->popStash();
  EXPECT_TRUE(alias);
  EXPECT_EQ(list_->lastSelectedItem(), list_->getDataSource()[3]);

  show(0);  // nothing to give back to
  list_->stash();
  list_->popStash();
  EXPECT_TRUE(list_->onFocus());
  EXPECT_EQ(list_->lastSelectedItem(), nullptr);
}

TEST_F(HintTable2Test, AHundredThousandRecordsMakeOnlyAPageOfRows) {
  show(100000);
  EXPECT_LE(list_->tableView()->rowsWithRowViews().size(), 13u);
  selectOnly(0);
  press("up");
  EXPECT_EQ(order(), std::vector<long>{99999});
  EXPECT_LE(list_->tableView()->rowsWithRowViews().size(), 13u);
}

}  // namespace
}  // namespace vl
