#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/ui/menu/Popover.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/view/ViewController.h"

namespace vl::ui {
namespace {

class PopoverJournal : public PopoverDelegate {
 public:
  void popoverWillShow(Popover&) override { events.push_back("willShow"); }
  void popoverDidShow(Popover&) override { events.push_back("didShow"); }
  bool popoverShouldClose(Popover&) override {
    events.push_back("shouldClose");
    return allowClose;
  }
  void popoverWillClose(Popover&) override { events.push_back("willClose"); }
  void popoverDidClose(Popover&) override { events.push_back("didClose"); }
  std::vector<std::string> events;
  bool allowClose = true;
};

class PopoverTest : public test::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller_ = std::make_shared<ViewController>();
    controller_->setView(View::create({0, 0, 300, 160}));
    popover_ = Popover::create();
    popover_->setContentViewController(controller_);
    journal_ = std::make_shared<PopoverJournal>();
    popover_->setDelegate(journal_);
    anchor_ = View::create({50, 50, 40, 20});
    add(anchor_);
  }
  std::shared_ptr<ViewController> controller_;
  std::shared_ptr<Popover> popover_;
  std::shared_ptr<PopoverJournal> journal_;
  std::shared_ptr<View> anchor_;
  EventDriver events_;
};

TEST_F(PopoverTest, ShownNextToItsAnchorAndClosed) {
  popover_->showRelativeToRect(anchor_->bounds(), anchor_.get(), RectEdge::MaxY);
  ASSERT_TRUE(popover_->isShown());
  // The anchor is at (150, 150)...(190, 170) on the screen; the popover sits above it, centred.
  EXPECT_EQ(popover_->window()->frame(), (Rect{170 - 150, 170 + Popover::kGap, 300, 160}));
  EXPECT_TRUE(popover_->window()->isVisible());
  popover_->close();
  EXPECT_FALSE(popover_->isShown());
  EXPECT_FALSE(popover_->window()->isVisible());
  EXPECT_EQ(journal_->events, (std::vector<std::string>{"willShow", "didShow", "willClose", "didClose"}));
  popover_->close();  // closing twice tells no one again
  EXPECT_EQ(journal_->events.size(), 4u);
}

TEST_F(PopoverTest, UnderTheStatusItemItFlipsBelow) {
  auto item = StatusBar::system().statusItemWithLength(kSquareStatusItemLength);
  View* button = item->button().get();
  popover_->showRelativeToRect(button->bounds(), button, RectEdge::MaxY);
  Rect anchor = item->window()->frame();
  Rect frame = popover_->window()->frame();
  EXPECT_EQ(popover_->shownEdge(), RectEdge::MinY);  // no room above the top of the screen
  EXPECT_DOUBLE_EQ(frame.maxY(), anchor.minY() - Popover::kGap);
  EXPECT_LE(frame.maxX(), 1440);  // slid to stay on the screen
  popover_->close();
}

TEST_F(PopoverTest, TransientClosesOnAClickOutsideAndAsksFirst) {
  popover_->setBehavior(PopoverBehavior::Transient);
  popover_->showRelativeToRect({}, anchor_.get(), RectEdge::MinY);
  auto inside = popover_->window();
  events_.click(inside, {10, 10});  // inside: stays
  EXPECT_TRUE(popover_->isShown());
  journal_->allowClose = false;
  events_.click(window_, {300, 250});
  EXPECT_TRUE(popover_->isShown());
  journal_->allowClose = true;
  events_.click(window_, {300, 250});
  EXPECT_FALSE(popover_->isShown());
  // Once closed, clicks elsewhere do not reach it any more.
  std::size_t seen = journal_->events.size();
  events_.click(window_, {300, 250});
  EXPECT_EQ(journal_->events.size(), seen);
  // Losing the activation closes it too.
  popover_->showRelativeToRect({}, anchor_.get(), RectEdge::MinY);
  Application::shared().deactivate();
  EXPECT_FALSE(popover_->isShown());
  Application::shared().activate();
}

TEST_F(PopoverTest, EscapeInItsContentClosesIt) {
  auto field = TextField::create({10, 10, 100, 22});
  controller_->view()->addSubview(field);
  popover_->showRelativeToRect({}, anchor_.get(), RectEdge::MinY);
  ASSERT_TRUE(popover_->window()->isKeyWindow());
  ASSERT_TRUE(popover_->window()->makeFirstResponder(field.get()));
  events_.typeText("a");
  events_.typeKey(KeyCode::Escape);
  EXPECT_FALSE(popover_->isShown());
}

TEST_F(PopoverTest, NeedsAnAnchorInAWindowAndContent) {
  auto loose = View::create({0, 0, 10, 10});
  popover_->showRelativeToRect({}, loose.get(), RectEdge::MinY);
  popover_->showRelativeToRect({}, nullptr, RectEdge::MinY);
  auto empty = Popover::create();
  empty->showRelativeToRect({}, anchor_.get(), RectEdge::MinY);
  EXPECT_FALSE(popover_->isShown());
  EXPECT_FALSE(empty->isShown());
  popover_->setContentSize({-1, 5});
  EXPECT_EQ(popover_->contentSize(), (Size{300, 160}));
}

}  // namespace
}  // namespace vl::ui
