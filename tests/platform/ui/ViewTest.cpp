#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {
namespace {

using test::UiTest;

// Records its hooks as "name:hook" lines in a shared journal.
class HookView : public View {
 public:
  HookView(std::string name, std::vector<std::string>* journal, const Rect& frame = {})
      : View(frame), name_(std::move(name)), journal_(journal) {}
  void viewWillMoveToSuperview(View* s) override { note(s ? "willMoveTo:view" : "willMoveTo:none"); }
  void viewDidMoveToSuperview() override { note(superview() ? "didMoveTo:view" : "didMoveTo:none"); }
  void viewWillMoveToWindow(Window* w) override {
    note(w ? "willMoveToWindow:window" : "willMoveToWindow:none");
  }
  void viewDidMoveToWindow() override { note(window() ? "didMoveToWindow:window" : "didMoveToWindow:none"); }
  void didAddSubview(View*) override { note("didAddSubview"); }
  void willRemoveSubview(View*) override { note("willRemoveSubview"); }
  void resizeSubviewsWithOldSize(Size old) override {
    note("resizeSubviews");
    View::resizeSubviewsWithOldSize(old);
  }

 private:
  void note(const std::string& hook) { journal_->push_back(name_ + ":" + hook); }
  std::string name_;
  std::vector<std::string>* journal_;
};

std::vector<std::string> subviewIds(const View& v) {
  std::vector<std::string> ids;
  for (auto& s : v.subviews()) ids.push_back(s->identifier());
  return ids;
}

std::shared_ptr<View> named(const std::string& id, const Rect& frame = {}) {
  auto v = View::create(frame);
  v->setIdentifier(id);
  return v;
}

TEST_F(UiTest, HooksRunOnAddMoveAndRemoveInOrder) {
  std::vector<std::string> journal;
  auto window = Window::create({0, 0, 300, 200}, WindowStyle::Titled);
  auto a = std::make_shared<HookView>("a", &journal);
  auto b = std::make_shared<HookView>("b", &journal);
  auto child = std::make_shared<HookView>("child", &journal);
  window->contentView()->addSubview(a);
  b->addSubview(child);
  journal.clear();

  a->addSubview(child);  // moves from b (no window) into a (in the window)
  EXPECT_EQ(journal, (std::vector<std::string>{"child:willMoveTo:view", "child:willMoveToWindow:window",
                                               "b:willRemoveSubview", "child:didMoveToWindow:window",
                                               "child:didMoveTo:view", "a:didAddSubview"}));
  EXPECT_TRUE(b->subviews().empty());
  EXPECT_EQ(child->window(), window.get());

  journal.clear();
  child->removeFromSuperview();
  EXPECT_EQ(journal, (std::vector<std::string>{"a:willRemoveSubview", "child:willMoveTo:none",
                                               "child:willMoveToWindow:none", "child:didMoveToWindow:none",
                                               "child:didMoveTo:none"}));
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_EQ(child->window(), nullptr);
}

TEST_F(UiTest, OwnersGoingAwayLeaveNoDanglingLinks) {
  auto window = Window::create({0, 0, 100, 100}, WindowStyle::Titled);
  auto controller = std::make_shared<ViewController>();
  controller->setView(View::create());
  auto parent = View::create();
  auto child = controller->view();
  window->contentView()->addSubview(parent);
  parent->addSubview(child);
  // A view controller sits between its view and the superview in the responder chain.
  EXPECT_EQ(child->nextResponder(), controller.get());
  EXPECT_EQ(controller->nextResponder(), parent.get());
  controller.reset();
  EXPECT_EQ(child->nextResponder(), parent.get());
  auto content = window->contentView();
  window.reset();
  EXPECT_EQ(child->window(), nullptr);
  EXPECT_EQ(content->nextResponder(), nullptr);
  parent.reset();
  content.reset();
  EXPECT_EQ(child->superview(), nullptr);
  EXPECT_EQ(child->nextResponder(), nullptr);
}

TEST_F(UiTest, SubviewsAreOrderedAboveAndBelowAndCyclesAreRefused) {
  auto root = named("root");
  auto a = named("a"), b = named("b"), c = named("c"), d = named("d");
  root->addSubview(a);
  root->addSubview(b);
  root->addSubview(c, View::Ordering::Below, b.get());
  root->addSubview(d, View::Ordering::Below, nullptr);
  EXPECT_EQ(subviewIds(*root), (std::vector<std::string>{"d", "a", "c", "b"}));
  root->addSubview(d, View::Ordering::Above, a.get());  // re-placing an existing subview
  EXPECT_EQ(subviewIds(*root), (std::vector<std::string>{"a", "d", "c", "b"}));
  root->addSubview(a);  // to the top
  EXPECT_EQ(subviewIds(*root), (std::vector<std::string>{"d", "c", "b", "a"}));

  a->addSubview(root);  // root contains a
  a->addSubview(a);
  root->addSubview(nullptr);
  EXPECT_TRUE(a->subviews().empty());
  EXPECT_EQ(root->superview(), nullptr);
  EXPECT_TRUE(test::logContains("addSubview"));
}

TEST_F(UiTest, HitTestFindsTheTopmostVisibleViewInNestedAndFlippedViews) {
  auto root = named("root", {0, 0, 400, 300});
  auto panel = named("panel", {100, 100, 200, 100});  // unflipped, in root
  auto flipped = named("flipped", {0, 0, 200, 100});  // fills the panel, y grows down
  flipped->setFlipped(true);
  auto topStrip = named("topStrip", {0, 0, 200, 20});  // at the flipped view's top
  auto cover = named("cover", {150, 0, 50, 100});      // later, so on top
  auto hiddenCover = named("hidden", {0, 0, 200, 100});
  hiddenCover->setHidden(true);
  root->addSubview(panel);
  panel->addSubview(flipped);
  flipped->addSubview(topStrip);
  flipped->addSubview(cover);
  flipped->addSubview(hiddenCover);

  struct Case {
    Point at;  // in root coordinates
    std::string expect;
  };
  const std::vector<Case> cases = {
      {{50, 50}, "root"},      {{110, 190}, "topStrip"},  // 10 below the panel's top edge
      {{110, 150}, "flipped"}, {{260, 190}, "cover"},     // cover lies over the strip's right end
      {{299, 101}, "cover"},   {{300, 150}, "root"},      // the max edge is outside
      {{100, 100}, "flipped"}, {{-1, 0}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(stringFromPoint(c.at));
    View* hit = root->hitTest(c.at);
    EXPECT_EQ(hit ? hit->identifier() : "", c.expect);
  }
  panel->setHidden(true);
  EXPECT_EQ(root->hitTest({110, 190})->identifier(), "root");
}

TEST_F(UiTest, PointsConvertBetweenNestedFlippedViewsAndTheWindow) {
  auto window = Window::create({0, 0, 400, 300}, WindowStyle::Titled);
  auto panel = named("panel", {100, 100, 200, 100});
  auto flipped = named("flipped", {10, 10, 180, 80});
  flipped->setFlipped(true);
  auto inner = named("inner", {20, 30, 40, 20});  // unflipped inside the flipped view
  window->contentView()->addSubview(panel);
  panel->addSubview(flipped);
  flipped->addSubview(inner);

  // flipped's top-left is (110, 190) in the window; inner's frame top is 30 down from there.
  EXPECT_EQ(flipped->convertPointToView({0, 0}, nullptr), (Point{110, 190}));
  EXPECT_EQ(flipped->convertPointFromView({110, 190}, nullptr), (Point{0, 0}));
  EXPECT_EQ(inner->convertPointToView({0, 0}, nullptr), (Point{130, 140}));  // its bottom-left: y 190-30-20
  EXPECT_EQ(inner->convertPointToView({0, 20}, flipped.get()), (Point{20, 30}));
  EXPECT_EQ(panel->convertPointFromView({5, 5}, inner.get()), (Point{35, 45}));
  EXPECT_EQ(inner->convertRectToView({0, 0, 40, 20}, flipped.get()), (Rect{20, 30, 40, 20}));
  EXPECT_EQ(flipped->convertRectFromView(inner->frame(), flipped.get()), (Rect{20, 30, 40, 20}));

  // Scrolling moves what a view shows: bounds origin (0, 50) puts its point (0, 50) at the frame's corner.
  panel->setBoundsOrigin({0, 50});
  EXPECT_EQ(panel->convertPointToView({0, 50}, nullptr), (Point{100, 100}));
  EXPECT_EQ(panel->visibleRect(), (Rect{0, 50, 200, 100}));
}

TEST_F(UiTest, AutoresizingSharesTheChangeAmongFlexibleParts) {
  auto root = View::create({0, 0, 100, 100});
  auto fixed = View::create({10, 10, 20, 20});
  auto wide = View::create({10, 10, 20, 20});
  wide->setAutoresizingMask(View::WidthSizable | View::MinYMargin);
  auto centred = View::create({40, 40, 20, 20});
  centred->setAutoresizingMask(View::MinXMargin | View::MaxXMargin | View::MinYMargin | View::MaxYMargin);
  for (auto& v : {fixed, wide, centred}) root->addSubview(v);
  root->setFrameSize({200, 140});
  EXPECT_EQ(fixed->frame(), (Rect{10, 10, 20, 20}));
  EXPECT_EQ(wide->frame(), (Rect{10, 50, 120, 20}));
  EXPECT_EQ(centred->frame(), (Rect{90, 60, 20, 20}));
  root->setAutoresizesSubviews(false);
  root->setFrameSize({100, 100});
  EXPECT_EQ(wide->frame(), (Rect{10, 50, 120, 20}));
}

TEST_F(UiTest, ResizeHooksRunOncePerSizeChangeAndBadFramesAreRefused) {
  std::vector<std::string> journal;
  auto v = std::make_shared<HookView>("v", &journal, Rect{0, 0, 10, 10});
  v->setFrame({5, 5, 10, 10});  // moved, same size
  v->setFrame({5, 5, 30, 10});
  EXPECT_EQ(journal, (std::vector<std::string>{"v:resizeSubviews"}));
  v->setFrame({0, 0, std::nan(""), 1});
  EXPECT_EQ(v->frame(), (Rect{5, 5, 30, 10}));
  EXPECT_TRUE(test::logContains("not finite"));
}

}  // namespace
}  // namespace vl::ui
