#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "UiTestSupport.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {
namespace {

using Journal = std::vector<std::string>;

// A view that writes every event it receives to a journal as "<id>:<what>".
class Probe : public View {
 public:
  Probe(std::string id, Journal* journal, const Rect& frame) : View(frame), journal_(journal) {
    setIdentifier(id);
  }

  bool acceptsFirstResponder() const override { return acceptsFirstResponder_; }
  bool becomeFirstResponder() override {
    note("become");
    return agreesToBecome_;
  }
  bool resignFirstResponder() override {
    note("resign");
    return agreesToResign_;
  }
  bool acceptsFirstMouse(const Event&) override { return acceptsFirstMouse_; }
  bool performKeyEquivalent(const Event& e) override {
    note("keyEquivalent");
    return takesKeyEquivalent_ || View::performKeyEquivalent(e);
  }
  void keyDown(const Event& e) override { note("keyDown " + e.characters()); }
  void mouseDown(const Event& e) override { note("down " + stringFromPoint(e.locationInView(*this))); }
  void mouseDragged(const Event&) override { note("dragged"); }
  void mouseUp(const Event&) override { note("up"); }
  void rightMouseDown(const Event&) override { note("rightDown"); }
  void scrollWheel(const Event& e) override { note("scroll " + std::to_string(int(e.deltaY()))); }
  void mouseEntered(const Event&) override { note("entered"); }
  void mouseExited(const Event&) override { note("exited"); }
  void mouseMoved(const Event&) override { note("moved"); }
  void cursorUpdate(const Event&) override { note("cursorUpdate"); }

  bool acceptsFirstResponder_ = false;
  bool agreesToBecome_ = true;
  bool agreesToResign_ = true;
  bool acceptsFirstMouse_ = false;
  bool takesKeyEquivalent_ = false;

 private:
  void note(const std::string& what) { journal_->push_back(identifier() + ":" + what); }
  Journal* journal_;
};

class EventTest : public test::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    window_ = Window::create({100, 100, 400, 300}, WindowStyle::Titled | WindowStyle::Closable);
    window_->setTitle("test");
    back_ = add("back", {0, 0, 400, 300});
    front_ = add("front", {50, 50, 100, 100});
  }
  void TearDown() override {
    window_->orderOut();
    UiTest::TearDown();
  }
  std::shared_ptr<Probe> add(const std::string& id, const Rect& frame, View* parent = nullptr) {
    auto p = std::make_shared<Probe>(id, &journal_, frame);
    (parent ? parent : window_->contentView().get())->addSubview(p);
    return p;
  }

  Journal journal_;
  EventDriver driver_;
  std::shared_ptr<Window> window_;
  std::shared_ptr<Probe> back_, front_;
};

TEST_F(EventTest, ClickReachesTheTopmostVisibleViewAndItsDragAndReleaseFollow) {
  auto hiddenTop = add("hiddenTop", {0, 0, 400, 300});
  hiddenTop->setHidden(true);
  window_->makeKeyAndOrderFront();
  driver_.mouseDown(window_, {60, 70});
  driver_.mouseDragged(window_, {300, 250});  // far outside the pressed view
  driver_.mouseUp(window_, {300, 250});
  driver_.click(window_, {300, 250});
  EXPECT_EQ(journal_,
            (Journal{"front:down {10, 20}", "front:dragged", "front:up", "back:down {300, 250}", "back:up"}));
}

TEST_F(EventTest, AClickThatMakesTheWindowKeyReachesOnlyViewsTakingTheFirstMouse) {
  window_->orderFront();
  ASSERT_FALSE(window_->isKeyWindow());
  driver_.click(window_, {60, 70});
  EXPECT_TRUE(window_->isKeyWindow());
  EXPECT_TRUE(journal_.empty());  // the press only made the window key; no view had it, nor its release

  journal_.clear();
  window_->orderOut();
  front_->acceptsFirstMouse_ = true;
  window_->orderFront();
  driver_.click(window_, {60, 70});
  EXPECT_EQ(journal_, (Journal{"front:down {10, 20}", "front:up"}));

  journal_.clear();
  window_->orderOut();
  driver_.click(window_, {60, 70});
  EXPECT_TRUE(journal_.empty());
  EXPECT_TRUE(test::logContains("not on screen"));
}

TEST_F(EventTest, KeyPressGoesToMonitorThenKeyEquivalentsDownTheTreeThenFirstResponder) {
  auto inner = add("inner", {10, 10, 20, 20}, front_.get());
  front_->acceptsFirstResponder_ = true;
  window_->makeKeyAndOrderFront();
  ASSERT_TRUE(window_->makeFirstResponder(front_.get()));
  journal_.clear();
  auto monitor = Application::shared().addLocalMonitorForEvents(
      EventMasks::KeyDown | EventMasks::FlagsChanged, [&](const Event& e) -> std::optional<Event> {
        journal_.push_back("monitor:" + std::to_string(e.keyCode()));
        return e;
      });

  driver_.keyDown(KeyCode::V, ModifierFlags::Command);
  EXPECT_EQ(journal_, (Journal{"monitor:9", "back:keyEquivalent", "front:keyEquivalent",
                               "inner:keyEquivalent", "front:keyDown v"}));

  journal_.clear();
  inner->takesKeyEquivalent_ = true;
  driver_.keyDown(KeyCode::V, ModifierFlags::Command);
  EXPECT_EQ(journal_,
            (Journal{"monitor:9", "back:keyEquivalent", "front:keyEquivalent", "inner:keyEquivalent"}));

  // A monitor that swallows the press ends it; one that changes it passes the change on.
  journal_.clear();
  auto swallow = Application::shared().addLocalMonitorForEvents(EventMasks::KeyDown, [&](const Event& e) {
    return e.keyCode() == KeyCode::Escape ? std::nullopt : std::optional<Event>(e);
  });
  driver_.keyDown(KeyCode::Escape);
  EXPECT_EQ(journal_, (Journal{"monitor:53"}));
  Application::shared().removeMonitor(swallow);
  Application::shared().removeMonitor(monitor);
  journal_.clear();
  driver_.keyDown(KeyCode::Escape);
  EXPECT_EQ(journal_.front(), "back:keyEquivalent");  // no monitor sees it any more
}

TEST_F(EventTest, FirstResponderChangesOnlyWhenBothSidesAgree) {
  window_->makeKeyAndOrderFront();
  EXPECT_EQ(window_->firstResponder(), window_.get());
  EXPECT_FALSE(window_->makeFirstResponder(front_.get()));  // does not accept
  front_->acceptsFirstResponder_ = true;
  back_->acceptsFirstResponder_ = true;
  EXPECT_TRUE(window_->makeFirstResponder(front_.get()));
  front_->agreesToResign_ = false;
  EXPECT_FALSE(window_->makeFirstResponder(back_.get()));
  EXPECT_EQ(window_->firstResponder(), front_.get());
  front_->agreesToResign_ = true;
  back_->agreesToBecome_ = false;
  EXPECT_FALSE(window_->makeFirstResponder(back_.get()));
  EXPECT_EQ(window_->firstResponder(), window_.get());  // the old one resigned, the new one refused

  // Clicking a view that accepts makes it first responder; removing it hands the role back to the window.
  driver_.click(window_, {60, 70});
  EXPECT_EQ(window_->firstResponder(), front_.get());
  front_->removeFromSuperview();
  EXPECT_EQ(window_->firstResponder(), window_.get());
}

TEST_F(EventTest, UnhandledKeysEndWithALogLineAndOtherEventsClimbTheChain) {
  window_->makeKeyAndOrderFront();
  auto plain = View::create({200, 200, 50, 50});
  back_->addSubview(plain);
  driver_.scroll(window_, {210, 210}, 0, -3);  // a plain view passes it to its superview
  driver_.rightClick(window_, {210, 210});
  EXPECT_EQ(journal_, (Journal{"back:scroll -3", "back:rightDown"}));
  test::LogCapture::clear();
  driver_.keyDown(KeyCode::A);  // the window is first responder and handles no keys
  EXPECT_TRUE(test::logContains("key down Window"));
}

// Store writes and searches log from queues of their own while the main thread logs too.
TEST_F(EventTest, LogLinesOfEveryThreadAreKept) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 2000; ++i) logf("worker %d line %d", t, i);
    });
  }
  for (auto& thread : threads) thread.join();
  const auto lines = test::LogCapture::take();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("worker ", 0) == 0; }),
            8000);
}

TEST_F(EventTest, ActionsReachTheTargetOrTheFirstResponderChain) {
  window_->makeKeyAndOrderFront();
  front_->acceptsFirstResponder_ = true;
  window_->makeFirstResponder(front_.get());
  std::vector<std::string> got;
  window_->contentView()->setActionHandler(
      "paste:", [&](ActionTarget* sender) { got.push_back(sender == front_.get() ? "content" : "?"); });
  auto target = std::make_shared<Responder>();
  target->setActionHandler("paste:", [&](ActionTarget*) { got.push_back("target"); });
  Application& app = Application::shared();
  EXPECT_TRUE(app.sendAction("paste:", nullptr, front_.get()));
  EXPECT_TRUE(app.sendAction("paste:", target, front_.get()));
  EXPECT_FALSE(app.sendAction("copy:", nullptr, front_.get()));
  EXPECT_FALSE(app.sendAction("copy:", target, front_.get()));
  EXPECT_EQ(got, (std::vector<std::string>{"content", "target"}));
}

TEST_F(EventTest, TrackingAreaReportsEnteredAndExitedOnceEach) {
  window_->makeKeyAndOrderFront();
  auto area = TrackingArea::create(
      {0, 0, 100, 100},
      TrackingArea::MouseEnteredAndExited | TrackingArea::CursorUpdate | TrackingArea::ActiveAlways, front_);
  front_->addTrackingArea(area);
  driver_.moveMouse(window_, {10, 10});
  driver_.moveMouse(window_, {60, 60});
  driver_.moveMouse(window_, {70, 80});
  driver_.moveMouse(window_, {149, 149});
  driver_.moveMouse(window_, {150, 150});
  driver_.moveMouse(window_, {300, 10});
  EXPECT_EQ(journal_, (Journal{"front:entered", "front:cursorUpdate", "front:exited"}));

  // Moves are reported only with the option; an area active in the key window is quiet elsewhere.
  journal_.clear();
  front_->removeTrackingArea(area.get());
  front_->addTrackingArea(TrackingArea::create(
      {}, TrackingArea::MouseMoved | TrackingArea::ActiveInKeyWindow | TrackingArea::InVisibleRect, front_));
  driver_.moveMouse(window_, {60, 60});
  driver_.moveMouse(window_, {61, 60});
  window_->orderOut();
  window_->orderFront();
  driver_.moveMouse(window_, {62, 60});
  EXPECT_EQ(journal_, (Journal{"front:moved", "front:moved"}));
}

TEST_F(EventTest, TrackingAreasAreRebuiltAfterGeometryChangesAndDragsHoldThemBack) {
  class Hover : public Probe {
   public:
    using Probe::Probe;
    void updateTrackingAreas() override {
      for (auto& a : std::vector<std::shared_ptr<TrackingArea>>(trackingAreas())) removeTrackingArea(a.get());
      addTrackingArea(TrackingArea::create(bounds(),
                                           TrackingArea::MouseEnteredAndExited | TrackingArea::ActiveAlways,
                                           std::static_pointer_cast<Responder>(shared_from_this())));
      ++updates;
    }
    int updates = 0;
  };
  window_->makeKeyAndOrderFront();
  auto hover = std::make_shared<Hover>("hover", &journal_, Rect{200, 50, 50, 50});
  window_->contentView()->addSubview(hover);
  driver_.moveMouse(window_, {10, 10});
  EXPECT_EQ(hover->updates, 1);
  hover->setFrameSize({150, 50});  // now reaches x 350
  driver_.drag(window_, {10, 10}, {300, 60});
  EXPECT_EQ(hover->updates, 2);
  // Entered only when the button went up: areas without the drag option wait for the release.
  EXPECT_EQ(journal_, (Journal{"back:down {10, 10}", "back:dragged", "back:dragged", "back:dragged",
                               "back:dragged", "back:up", "hover:entered"}));
}

}  // namespace
}  // namespace vl::ui
