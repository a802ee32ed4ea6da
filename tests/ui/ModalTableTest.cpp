#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "platform/ui/UiTestSupport.h"
#include "theme/VLThemeCategories.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/modaltable/ModalTableView.h"

namespace vl {
namespace {

// A page listing pin tabs: a check on the chosen one, its colour, an "add" button, an arrow.
class PinListPage : public ui::Responder, public ModalTableViewDataSource, public ModalTableViewDelegate {
 public:
  PinListPage() {
    setActionHandler("rowClick:", [this](ui::ActionTarget* s) { note("row", s); });
    setActionHandler("checkClick:", [this](ui::ActionTarget* s) { note("check", s); });
    setActionHandler("colorClick:", [this](ui::ActionTarget* s) { note("color", s); });
    setActionHandler("addClick:", [this](ui::ActionTarget* s) { note("add", s); });
    setActionHandler("arrowClick:", [this](ui::ActionTarget* s) { note("arrow", s); });
  }
  long numberOfRowsInTableView(ModalTableView&) override { return static_cast<long>(names.size()); }
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView& table, long row) override {
    auto wrapper =
        std::dynamic_pointer_cast<ModalTableRowViewWrapper>(table.makeViewWithIdentifier("row_reuse"));
    if (!wrapper) {
      auto item = ModalTableItem::create();
      auto me = std::static_pointer_cast<ui::ActionTarget>(shared_from_this());
      auto check = ModalTableItemAccessoryCheck::create();
      auto color = ModalTableItemAccessoryColor::create();
      auto add = ModalTableItemAccessoryButton::create();
      auto arrow = ModalTableItemAccessoryArrow::create({0, 10, 20, 20});
      add->setTitle("add");
      add->setTitleClicked("added");
      add->setTitleColorAssetKey("accentColor");
      for (auto [acc, action] : {std::pair<ModalTableItemAccessory*, const char*>{check.get(), "checkClick:"},
                                 {color.get(), "colorClick:"},
                                 {add.get(), "addClick:"},
                                 {arrow.get(), "arrowClick:"}}) {
        acc->setTarget(me);
        acc->setAction(action);
      }
      item->setLeftAccessory(check);
      item->setRightAccessories({color, add, arrow});
      item->setTarget(me);
      item->setAction("rowClick:");
      item->setTitleColorAssetKey("fontNormalColor");
      item->setTitleHighlightedColorAssetKey("accentColor");
      wrapper = ModalTableRowViewWrapper::box(item);
      wrapper->setIdentifier("row_reuse");
    }
    auto& item = wrapper->item();
    long n = static_cast<long>(names.size());
    item->setPosition(row);
    item->resetStyle(n == 1 ? 0 : row == 0 ? 1 : row == n - 1 ? 3 : 2);
    item->setTitle(names[row]);
    static_cast<ModalTableItemAccessoryCheck&>(*item->leftAccessory()).setCheck(row == chosen);
    static_cast<ModalTableItemAccessoryButton&>(*item->rightAccessories()[1]).setClicked(row == chosen);
    return wrapper;
  }

  void note(const std::string& what, ui::ActionTarget* sender) {
    auto* item = dynamic_cast<ModalTableItem*>(sender);
    auto* acc = dynamic_cast<ModalTableItemAccessory*>(sender);
    if (acc) item = acc->item();
    clicks.push_back(what + " " + std::to_string(item ? item->position() : -1));
  }

  std::vector<std::string> names{"Work", "Links", "Code"};
  long chosen = 0;
  std::vector<std::string> clicks;
};

class ModalTableTest : public test::SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    page_ = std::make_shared<PinListPage>();
    table_ = ModalTableView::create({0, 0, 300, 200});
    table_->setModalTableViewDataSource(page_);
    table_->setModalTableViewDelegate(page_);
    mainView_->addSubview(table_);
    table_->reloadData();
    window_->displayIfNeeded();
  }
  ModalTableItem& item(long row) {
    return *std::static_pointer_cast<ModalTableRowViewWrapper>(table_->rowViewAtRow(row))->item();
  }
  // A point of the row's view in the window.
  ui::Point inWindow(ui::View& view, ui::Point p) { return view.convertPointToView(p, nullptr); }

  std::shared_ptr<PinListPage> page_;
  std::shared_ptr<ModalTableView> table_;
};

TEST_F(ModalTableTest, RowsLayOutTheirContentLinesAndAccessories) {
  ASSERT_EQ(table_->tableView()->numberOfRows(), 3);
  ModalTableItem& first = item(0);
  EXPECT_EQ(first.frame(), (ui::Rect{0, 0, 300, 40}));
  EXPECT_EQ(first.titleView()->frame(), (ui::Rect{35, 11, 250, 18}));
  EXPECT_EQ(first.leftAccessory()->frame().origin, (ui::Point{15, 10}));
  // Right accessories from the right edge inwards, no gaps: arrow 20, button "add" + 10, colour 20.
  const auto& right = first.rightAccessories();
  double addWidth = right[1]->frame().width();
  EXPECT_EQ(right[2]->frame().origin.x, 285 - 20);
  EXPECT_EQ(right[1]->frame().origin.x, 265 - addWidth);
  EXPECT_EQ(right[0]->frame().origin.x, 265 - addWidth - 20);

  struct Lines {
    long row;
    bool top, middle, bottom;
  };
  for (const Lines& l :
       {Lines{0, true, true, false}, Lines{1, false, true, false}, Lines{2, false, false, true}}) {
    ModalTableItem& it = item(l.row);
    EXPECT_EQ(!it.topLine()->isHidden(), l.top) << l.row;
    EXPECT_EQ(!it.middleLine()->isHidden(), l.middle) << l.row;
    EXPECT_EQ(!it.bottomLine()->isHidden(), l.bottom) << l.row;
  }
  EXPECT_EQ(item(0).middleLine()->frame(), (ui::Rect{35, 0, 265, 1}));
  EXPECT_EQ(item(0).topLine()->frame(), (ui::Rect{0, 39, 300, 1}));
}

TEST_F(ModalTableTest, EveryAccessoryKindAndTheRowAnswerClicks) {
  ModalTableItem& second = item(1);
  auto clickAt = [&](ui::View& v) {
    events_.click(window_, inWindow(v, {v.bounds().midX(), v.bounds().midY()}));
  };
  clickAt(*second.titleView());
  clickAt(*second.leftAccessory());
  for (const auto& acc : second.rightAccessories()) clickAt(*acc);
  // The chosen row's button shows "added" and ignores presses; a disabled accessory sends nothing.
  clickAt(*item(0).rightAccessories()[1]);
  second.rightAccessories()[2]->setEnabled(false);
  clickAt(*second.rightAccessories()[2]);
  EXPECT_EQ(page_->clicks, (std::vector<std::string>{"row 1", "check 1", "color 1", "add 1", "arrow 1"}));
}

TEST_F(ModalTableTest, ReusedButtonShowsTheNormalTitleAgainAndHoverHighlights) {
  auto& added = static_cast<ModalTableItemAccessoryButton&>(*item(0).rightAccessories()[1]);
  EXPECT_EQ(added.titleView()->string(), "added");
  double rightEdge = added.frame().maxX();
  added.setClicked(false);
  EXPECT_EQ(added.titleView()->string(), "add");
  EXPECT_EQ(added.frame().maxX(), rightEdge);
  EXPECT_EQ(added.shownColorKey(), "accentColor");

  ModalTableItem& row = item(2);
  events_.moveMouse(window_, inWindow(row, {100, 20}));
  EXPECT_EQ(backgroundColorAssetKey(*row.layer()), ModalTableItem::kHighlightedKey);
  EXPECT_EQ(textColorAssetKey(*row.titleView()), "accentColor");
  events_.moveMouse(window_, inWindow(row, {100, 60}));
  EXPECT_EQ(backgroundColorAssetKey(*row.layer()), ModalTableItem::kNormalKey);
  EXPECT_EQ(textColorAssetKey(*row.titleView()), "fontNormalColor");
}

TEST_F(ModalTableTest, FieldsBelongToTheirModesAndHeadersPlaceTheirAccessory) {
  auto text = ModalTableItem::create({0, 0, 300, 40});
  text->setMode(ModalTableItem::TextInput);
  EXPECT_EQ(text->getTextField(), nullptr);
  text->setPlaceholder("Name");
  ASSERT_NE(text->getTextField(), nullptr);
  EXPECT_EQ(text->getTextField()->placeholderString(), "Name");
  text->setText("Work");
  EXPECT_EQ(text->text(), "Work");

  auto title = ModalTableItem::create({0, 0, 300, 40});
  title->setPlaceholder("x");
  title->setText("y");
  EXPECT_EQ(title->text(), std::nullopt);
  EXPECT_EQ(title->getTextField(), nullptr);

  auto header = ModalTableSectionView::create({0, 0, 320, 16});
  header->setAccessory(ModalTableItemAccessoryArrow::create({0, 0, 20, 16}));
  mainView_->addSubview(header);
  EXPECT_EQ(header->titleView()->frame(), (ui::Rect{10, 0, 290, 16}));
  EXPECT_EQ(header->accessory()->frame().origin, (ui::Point{300, 0}));

  auto spinner = ModalTableItemAccessoryIndicator::create();
  EXPECT_TRUE(spinner->indicator()->isHidden());
  EXPECT_FALSE(spinner->indicator()->isAnimating());
  spinner->setSpinning(true);
  EXPECT_TRUE(spinner->indicator()->isAnimating());
}

}  // namespace
}  // namespace vl
