#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/ControlTestSupport.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/view/TrackingArea.h"
#include "ui/ArrowCursorStyleTextView.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/PassthroughImageView.h"
#include "ui/PassthroughTextView.h"

namespace vl {
namespace {

using ui::Event;

// A button-like container that notes the mouse events reaching it.
class Container : public ui::View {
 public:
  using ui::View::View;
  void mouseEntered(const Event&) override { events.push_back("entered"); }
  void mouseExited(const Event&) override { events.push_back("exited"); }
  void mouseDown(const Event&) override { events.push_back("down"); }
  void mouseDragged(const Event&) override { events.push_back("dragged"); }
  void mouseUp(const Event&) override { events.push_back("up"); }
  std::vector<std::string> events;
};

class PassthroughViewsTest : public test::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    container_ = std::make_shared<Container>(ui::Rect{10, 10, 200, 60});
    add(container_);
  }
  // Puts `child` over the container's middle, with a tracking area for entering and leaving.
  void place(const std::shared_ptr<ui::View>& child) {
    child->setFrame({20, 10, 160, 40});
    container_->addSubview(child);
    child->addTrackingArea(ui::TrackingArea::create(
        child->bounds(), ui::TrackingArea::MouseEnteredAndExited | ui::TrackingArea::ActiveAlways, child));
  }

  std::shared_ptr<Container> container_;
  ui::EventDriver mouse_;
};

TEST_F(PassthroughViewsTest, TheContainerGetsTheWholeGestureAndTheTextStaysUnselected) {
  struct Case {
    const char* name;
    std::function<std::shared_ptr<ui::View>()> make;
  };
  const Case cases[] = {
      {"text", [] { return PassthroughTextView::create(); }},
      {"arrow text", [] { return PassthroughAndArrowCursorTextView::create(); }},
      {"image", [] { return PassthroughImageView::create(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    container_->events.clear();
    auto child = c.make();
    if (auto* text = dynamic_cast<ui::TextView*>(child.get())) text->setString("Paste all");
    place(child);
    mouse_.moveMouse(window_, {60, 30});
    mouse_.drag(window_, {60, 30}, {80, 30}, 1);
    mouse_.moveMouse(window_, {300, 250});
    EXPECT_EQ(container_->events, (std::vector<std::string>{"entered", "down", "dragged", "up", "exited"}));
    EXPECT_EQ(window_->firstResponder(), window_.get());
    if (auto* text = dynamic_cast<ui::TextView*>(child.get())) {
      EXPECT_EQ(text->selectedRange().length, 0u);
    }
    child->removeFromSuperview();
  }
}

TEST_F(PassthroughViewsTest, ArrowCursorViewsShowNoMenuAndTheHistoryTextPostsItsClick) {
  auto title = PassthroughAndArrowCursorTextView::create();
  auto history = ArrowCursorStyleTextView::create();
  for (auto view : std::vector<std::shared_ptr<ui::TextView>>{title, history}) {
    place(view);
    view->setMenu(ui::Menu::create());
    mouse_.rightClick(window_, {60, 30});
    EXPECT_TRUE(ui::Menu::presentations().empty());
    view->resetCursorRects();
    ASSERT_EQ(view->cursorRects().size(), 1u);
    EXPECT_EQ(view->cursorRects()[0].cursor, ui::Cursor::arrow());
    view->removeFromSuperview();
  }

  int clicks = 0;
  Observation seen = NotificationCenter::defaultCenter().observe(
      ArrowCursorStyleTextView::kHistoryMouseClick, nullptr, [&](const Notification&) { ++clicks; });
  history->setString("a copied line");
  place(history);
  container_->events.clear();
  mouse_.click(window_, {60, 30});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(history->selectedRange().length, 0u);
  EXPECT_EQ(std::count(container_->events.begin(), container_->events.end(), "down"), 0);
}

}  // namespace
}  // namespace vl
