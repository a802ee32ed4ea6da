#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "WidgetTestSupport.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/EventDriver.h"
#include "theme/VLThemeCategories.h"
#include "ui/Line.h"
#include "ui/RoundTextView.h"
#include "ui/Stack.h"
#include "ui/VLMutableArrayVerify.h"
#include "ui/VLNavigationBar.h"
#include "ui/VLScrollTextView.h"
#include "ui/VLTableView.h"
#include "ui/VLTextField.h"
#include "ui/VLTransparentScroller.h"

namespace vl {
namespace {

using ui::DrawCommand;
using ui::Rect;

class SmallWidgetsTest : public test::WidgetTest {
 protected:
  // The colours a view's own drawing filled rectangles with, at the last display.
  std::vector<ui::Color> fills(const ui::View* view) {
    window_->display();
    std::vector<ui::Color> colors;
    for (const auto& c : window_->displayList().forView(view))
      if (c.kind == DrawCommand::Kind::FillRect && !c.layer) colors.push_back(c.color);
    return colors;
  }
};

TEST_F(SmallWidgetsTest, EveryWidgetFollowsTheModeAndTheTheme) {
  auto field = VLTextField::create({20, 200, 200, 30});
  field->setTextFieldBackgroundColorAssetKey("searchInputBackgroundColor");
  field->setBorderColorAssetKey("hotkeyTextFieldBorderColor");
  field->setNormalTextColorAssetKey("searchInputFontColor");
  field->setPlaceholder("Alias");
  field->setPlaceholderAssetKey("searchInputPlaceHolderColor");
  add(field);
  auto area = VLScrollTextView::create({20, 60, 200, 100});
  area->setTextColorAssetKey("fontNormalColor");
  area->setTextViewBackgroundColorAssetKey("popoverTextViewBackgroundColor");
  add(area);
  auto line = Line::ofWidth(300, 10);
  add(line);
  auto bar = VLNavigationBar::initWithTitle("Title");
  bar->appendTo(*window_->contentView());

  auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(field->layer()->backgroundColor(), colorOf("searchInputBackgroundColor"));
    EXPECT_EQ(field->layer()->borderColor(), colorOf("hotkeyTextFieldBorderColor"));
    EXPECT_EQ(field->textField()->textColor(), colorOf("searchInputFontColor"));
    EXPECT_EQ(field->textField()->placeholderAttributedString()->runs().front().attributes.foregroundColor,
              colorOf("searchInputPlaceHolderColor"));
    EXPECT_EQ(area->layer()->backgroundColor(), colorOf("popoverTextViewBackgroundColor"));
    EXPECT_EQ(area->textView()->textColor(), colorOf("fontNormalColor"));
    EXPECT_EQ(bar->titleView()->textColor(), colorOf(VLNavigationBar::kTitleColorKey));
    EXPECT_EQ(fills(line.get()), std::vector<ui::Color>{colorOf("lineColor")});
  };
  check("light");
  const ui::Color lightLine = colorOf("lineColor");
  const ui::Color lightField = colorOf("searchInputBackgroundColor");
  setDark(true);
  EXPECT_NE(colorOf("lineColor"), lightLine);
  EXPECT_NE(colorOf("searchInputBackgroundColor"), lightField);
  check("dark");
  manager().setActiveTheme("forest");
  check("forest, dark");
}

TEST_F(SmallWidgetsTest, KeysTheThemeLacksDrawNothing) {
  auto field = VLTextField::create({20, 200, 200, 30});
  field->setTextFieldBackgroundColorAssetKey("noSuchKey");
  field->setPlaceholder("Alias");
  field->setPlaceholderAssetKey("noSuchKey");
  add(field);
  auto line = Line::ofWidth(100, {0, 0}, "noSuchKey");
  add(line);
  EXPECT_EQ(field->layer()->backgroundColor(), std::nullopt);
  EXPECT_EQ(field->textField()->placeholderAttributedString()->runs().front().attributes.foregroundColor,
            std::nullopt);
  EXPECT_TRUE(fills(line.get()).empty());
  setDark(true);
  EXPECT_TRUE(fills(line.get()).empty());
}

TEST_F(SmallWidgetsTest, SizesAndPlaces) {
  auto chip = RoundTextView::create({0, 0, 50, 30});
  chip->setText("");
  EXPECT_EQ(chip->frame(), (Rect{0, 0, 10, 30}));
  chip->setText(std::string(400, 'w'));  // far wider than the window: the chip simply grows
  EXPECT_EQ(chip->frame().height(), 30);
  EXPECT_EQ(chip->innerTextView()->frame().size.width, chip->frame().width());
  EXPECT_EQ(chip->innerTextView()->frame().origin.y, 5);
  EXPECT_GT(chip->frame().width(), 400);

  EXPECT_EQ(Line::ofWidth(300, 10)->frame(), (Rect{10, 0, 280, 1}));
  EXPECT_EQ(Line::ofHeight(40, {5, 6})->frame(), (Rect{5, 6, 1, 40}));

  auto bar = VLNavigationBar::initWithTitle("Pins");
  bar->appendTo(*window_->contentView());
  EXPECT_EQ(bar->frame(), (Rect{0, 270, 400, 30}));
  EXPECT_EQ(bar->titleView()->frame(), (Rect{0, 0, 400, 25}));
  EXPECT_EQ(bar->titleView()->string(), "Pins");

  // Only the knob of a transparent scroller is drawn.
  auto scroller = VLTransparentScroller::create({380, 0, 15, 200});
  scroller->setKnobProportion(0.5);
  add(scroller);
  window_->display();
  auto steps = window_->displayList().forView(scroller.get());
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0].kind, DrawCommand::Kind::FillPath);
}

class ThreeRows : public ui::TableViewDataSource {
 public:
  long numberOfRowsInTableView(ui::TableView&) override { return 3; }
};

TEST_F(SmallWidgetsTest, TableCanBeToldToIgnoreTheKeyboard) {
  auto table = VLTableView::create({0, 0, 200, 100});
  ASSERT_EQ(table->tableColumns().size(), 1u);
  EXPECT_EQ(table->tableColumns()[0]->identifier(), "display");
  EXPECT_FALSE(table->hasHeaderView());
  auto rows = std::make_shared<ThreeRows>();
  table->setDataSource(rows);
  add(table);
  table->reloadData();
  table->selectRowIndexes(ui::IndexSet{0}, false);
  window_->makeFirstResponder(table.get());
  ui::EventDriver keys;
  keys.typeKey(ui::KeyCode::DownArrow);
  EXPECT_EQ(table->selectedRow(), 1);
  table->setPreventKeyDown(true);
  keys.typeKey(ui::KeyCode::DownArrow);
  keys.typeText("x");
  EXPECT_EQ(table->selectedRow(), 1);
}

TEST(WidgetUtilities, StackAndCheckedWrites) {
  Stack<int> stack;
  EXPECT_EQ(stack.pop(), std::nullopt);
  EXPECT_EQ(stack.size(), 0u);
  stack.push(1);
  stack.push(2);
  EXPECT_EQ(stack.peek(), 2);
  EXPECT_EQ(stack.pop(), 2);
  EXPECT_EQ(stack.size(), 1u);

  std::vector<std::shared_ptr<int>> array;
  addObjectVerify(array, std::make_shared<int>(1));
  addObjectVerify(array, std::shared_ptr<int>());
  insertObjectVerify(array, std::make_shared<int>(0), 0);
  insertObjectVerify(array, std::make_shared<int>(9), 3);  // past the end
  insertObjectVerify(array, std::shared_ptr<int>(), 1);
  insertObjectVerify(array, std::make_shared<int>(2), 2);  // at the end
  ASSERT_EQ(array.size(), 3u);
  EXPECT_EQ(*array[0], 0);
  EXPECT_EQ(*array[2], 2);
  std::vector<int> numbers;
  addObjectVerify(numbers, 0);  // a plain zero is an object, not a missing one
  EXPECT_EQ(numbers.size(), 1u);
}

}  // namespace
}  // namespace vl
