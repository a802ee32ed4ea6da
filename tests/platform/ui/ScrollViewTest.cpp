#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/view/EventDriver.h"

namespace vl::ui {
namespace {

class Document : public View {
 public:
  explicit Document(const Rect& frame, bool flipped) : View(frame) { setFlipped(flipped); }
  // Sees the wheel first (it is under the pointer) and passes it on, as plain views do.
  void scrollWheel(const Event& e) override {
    ++wheels;
    View::scrollWheel(e);
  }
  int wheels = 0;
};

// Draws only its knob, as the application's transparent scroller does.
class KnobOnly : public Scroller {
 public:
  void drawKnobSlot() override { ++slotDraws; }
  int slotDraws = 0;
};

class ScrollViewTest : public test::ControlTest {
 protected:
  void make(bool flipped) {
    scroll_ = ScrollView::create({0, 0, 200, 100});
    doc_ = std::make_shared<Document>(Rect{0, 0, 200, 1000}, flipped);
    scroll_->setDocumentView(doc_);
    scroll_->setHasVerticalScroller(true);
    add(scroll_);
  }
  std::shared_ptr<ScrollView> scroll_;
  std::shared_ptr<Document> doc_;
  EventDriver events_;
};

TEST_F(ScrollViewTest, FlippedDocumentsStartAtTheTopAndStayInside) {
  make(true);
  ClipView& clip = *scroll_->contentView();
  EXPECT_EQ(scroll_->documentVisibleRect(), (Rect{0, 0, 200, 100}));
  struct Case {
    Point asked;
    Point got;
  };
  for (const auto& c : {Case{{0, 300}, {0, 300}}, Case{{0, -50}, {0, 0}}, Case{{40, 5000}, {0, 900}}}) {
    clip.scrollToPoint(c.asked);
    EXPECT_EQ(clip.bounds().origin, c.got);
  }
  EXPECT_EQ(doc_->visibleRect(), (Rect{0, 900, 200, 100}));
  // The document shrinks: the scroll point follows it back inside.
  doc_->setFrameSize({200, 150});
  EXPECT_EQ(clip.bounds().origin, (Point{0, 50}));
  // Resizing the scroll view keeps the clip view filling it.
  scroll_->setFrameSize({300, 400});
  EXPECT_EQ(clip.frame(), (Rect{0, 0, 300, 400}));
  EXPECT_EQ(ScrollView::enclosingScrollView(*doc_), scroll_.get());
}

TEST_F(ScrollViewTest, UnflippedDocumentsStartAtTheirTopToo) {
  make(false);
  ClipView& clip = *scroll_->contentView();
  EXPECT_EQ(clip.bounds().origin, (Point{0, 0}));
  clip.scrollToPoint({0, 900});
  EXPECT_EQ(scroll_->verticalScroller()->knobPosition(), 0);  // 900 is the top of an unflipped document
  doc_->setFrameSize({200, 50});  // shorter than the view: its top edge stays at the view's top
  EXPECT_EQ(clip.bounds().origin, (Point{0, -50}));
}

TEST_F(ScrollViewTest, BoundsChangesArePosted) {
  make(true);
  int posted = 0;
  Observation o = NotificationCenter::defaultCenter().observe(
      kViewBoundsDidChangeNotification, scroll_->contentView().get(), [&](const Notification&) { ++posted; });
  scroll_->scrollToPoint({0, 10});
  scroll_->scrollToPoint({0, 10});  // no change, no notice
  scroll_->contentView()->setPostsBoundsChangedNotifications(false);
  scroll_->scrollToPoint({0, 20});
  EXPECT_EQ(posted, 1);
}

TEST_F(ScrollViewTest, WheelScrollsForwardsOrIsSwallowed) {
  make(true);
  scroll_->setLineScroll(10);
  events_.scroll(window_, {50, 50}, 0, -3);  // down: 30 points further into the document
  EXPECT_EQ(scroll_->contentView()->bounds().origin, (Point{0, 30}));
  events_.scroll(window_, {50, 50}, 0, 1);
  EXPECT_EQ(scroll_->contentView()->bounds().origin, (Point{0, 20}));
  EXPECT_EQ(doc_->wheels, 2);
  scroll_->setWheelHandling(WheelHandling::Forward);
  struct WheelCatcher : Responder {
    void scrollWheel(const Event&) override { ++count; }
    int count = 0;
  };
  auto catcher = std::make_shared<WheelCatcher>();
  scroll_->setNextResponder(catcher);
  events_.scroll(window_, {50, 50}, 0, -3);
  EXPECT_EQ(catcher->count, 1);
  EXPECT_EQ(scroll_->contentView()->bounds().origin, (Point{0, 20}));
  scroll_->setWheelHandling(WheelHandling::Swallow);
  events_.scroll(window_, {50, 50}, 0, -3);
  EXPECT_EQ(catcher->count, 1);
  EXPECT_EQ(scroll_->contentView()->bounds().origin, (Point{0, 20}));
}

TEST_F(ScrollViewTest, ScrollersFollowTheDocumentAndCanBeReplaced) {
  make(true);
  EXPECT_TRUE(scroll_->isVerticalScrollerVisible());
  EXPECT_FALSE(scroll_->isHorizontalScrollerVisible());
  doc_->setFrameSize({200, 80});  // fits: the autohiding scroller goes
  EXPECT_FALSE(scroll_->isVerticalScrollerVisible());
  scroll_->setAutohidesScrollers(false);
  EXPECT_TRUE(scroll_->isVerticalScrollerVisible());

  doc_->setFrameSize({200, 1000});
  auto custom = std::make_shared<KnobOnly>();
  scroll_->setVerticalScroller(custom);
  EXPECT_EQ(custom->frame(), (Rect{200 - Scroller::kWidth, 0, Scroller::kWidth, 100}));
  window_->display();
  EXPECT_EQ(custom->slotDraws, 1);
  // Dragging the knob to the bottom scrolls to the end.
  Point knob = custom->convertPointToView({custom->knobRect().midX(), custom->knobRect().midY()}, nullptr);
  events_.drag(window_, knob, {knob.x, -500});
  EXPECT_DOUBLE_EQ(scroll_->contentView()->bounds().origin.y, 900);
}

}  // namespace
}  // namespace vl::ui
