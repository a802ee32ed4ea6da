#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "platform/ui/view/AnimationEngine.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/view/Transaction.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewAnimator.h"

namespace vl::ui {
namespace {

using test::UiTest;

// Records each stop as "<id>:YES" or "<id>:NO", the id read from the animation's value store; an
// optional hook runs after the note (for animations started from the delegate).
class StopRecorder : public AnimationDelegate {
 public:
  void animationDidStop(Animation& a, bool finished) override {
    stops.push_back(a.value("id").get<std::string>() + (finished ? ":YES" : ":NO"));
    if (then) then(a, finished);
  }
  std::vector<std::string> stops;
  std::function<void(Animation&, bool)> then;
};

std::shared_ptr<BasicAnimation> animation(const std::string& id, const std::string& keyPath, double from,
                                          double to, double seconds,
                                          const std::shared_ptr<AnimationDelegate>& delegate) {
  auto a = BasicAnimation::withKeyPath(keyPath);
  a->setFromValue(from);
  a->setToValue(to);
  a->setDuration(seconds);
  a->setFillMode(FillMode::Forwards);
  a->setRemovedOnCompletion(false);
  a->setDelegate(delegate);
  a->setValue("id", id);
  return a;
}

std::shared_ptr<BasicAnimation> slide(const std::string& id, double from, double to,
                                      const std::shared_ptr<AnimationDelegate>& delegate) {
  return animation(id, "position.y", from, to, 0.3, delegate);
}

double presented(const Layer& layer, const std::string& keyPath = "position.y") {
  return std::get<double>(*layer.presentationValueForKeyPath(keyPath));
}

TEST_F(UiTest, PositionAnimationFinishesOnceAtItsEndUnderTheManualClock) {
  auto view = View::create({0, 600, 300, 200});
  view->setWantsLayer(true);
  auto recorder = std::make_shared<StopRecorder>();
  EventDriver driver;
  view->layer()->addAnimation(slide("animShadow_to", 600, 400, recorder), "animPos");

  driver.advance(150);
  EXPECT_TRUE(recorder->stops.empty());
  EXPECT_NEAR(presented(*view->layer()), 500, 1e-9);  // linear timing: halfway
  EXPECT_EQ(view->frame().origin.y, 600);             // the model value does not move
  driver.advance(149);
  EXPECT_TRUE(recorder->stops.empty());
  driver.advance(1);
  EXPECT_EQ(recorder->stops, (std::vector<std::string>{"animShadow_to:YES"}));
  driver.advance(1000);
  EXPECT_EQ(recorder->stops.size(), 1u);
  // Filled forwards and kept: the end value stays on screen until the owner moves the frame.
  EXPECT_EQ(presented(*view->layer()), 400);
  EXPECT_NE(view->layer()->animationForKey("animPos"), nullptr);
  EXPECT_EQ(AnimationEngine::shared().runningCount(), 0u);
}

TEST_F(UiTest, ReplacingOrRemovingAnAnimationReportsNotFinishedOnce) {
  auto layer = Layer::create();
  layer->setFrame({0, 0, 10, 10});
  auto recorder = std::make_shared<StopRecorder>();
  EventDriver driver;
  layer->addAnimation(slide("first", 0, 100, recorder), "animPos");
  driver.advance(100);
  double midway = presented(*layer);
  EXPECT_NEAR(midway, 100.0 / 3, 1e-9);
  auto second = slide("second", 0, 100, recorder);
  second->setFromValue(std::nullopt);  // starts where the first one is now
  layer->addAnimation(second, "animPos");
  driver.runUntilIdle();
  EXPECT_EQ(recorder->stops, (std::vector<std::string>{"first:NO"}));
  EXPECT_NEAR(presented(*layer), midway, 1e-9);

  layer->removeAnimation("animPos");
  layer->removeAnimation("animPos");
  driver.advance(1000);
  EXPECT_EQ(recorder->stops, (std::vector<std::string>{"first:NO", "second:NO"}));
  EXPECT_EQ(presented(*layer), 0);
  // Replacing an animation that already finished tells nobody a second time.
  layer->addAnimation(slide("third", 0, 1, recorder), "k");
  driver.advance(300);
  layer->addAnimation(slide("fourth", 0, 1, recorder), "k");
  driver.advance(300);
  EXPECT_EQ(recorder->stops, (std::vector<std::string>{"first:NO", "second:NO", "third:YES", "fourth:YES"}));
}

TEST_F(UiTest, AnimationsAddedFromTheDelegateRunInSequence) {
  // A shake: each finished step adds the next under the same key, 25 ms each.
  auto layer = Layer::create();
  auto recorder = std::make_shared<StopRecorder>();
  std::vector<double> ends;
  int step = 0;
  recorder->then = [&](Animation&, bool finished) {
    ends.push_back(Clock::current().monotonicMs());
    if (finished && ++step < 13)
      layer->addAnimation(animation("s", "position.x", step, step + 1, 0.025, recorder), "x");
  };
  double start = clock_->monotonicMs();
  layer->addAnimation(animation("s", "position.x", 0, 1, 0.025, recorder), "x");
  EventDriver().advance(1000);
  ASSERT_EQ(ends.size(), 13u);
  EXPECT_NEAR(ends.back() - start, 13 * 25, 1e-6);
  EXPECT_EQ(presented(*layer, "position.x"), 13);
}

TEST_F(UiTest, TimingFunctionsAndColourAnimationsInterpolate) {
  EXPECT_DOUBLE_EQ(TimingFunction().evaluate(0.25), 0.25);
  auto ease = TimingFunction::named(TimingFunction::Name::EaseInEaseOut);
  EXPECT_NEAR(ease.evaluate(0.5), 0.5, 1e-6);
  EXPECT_LT(ease.evaluate(0.1), 0.1);
  EXPECT_GT(ease.evaluate(0.9), 0.9);
  EXPECT_EQ(ease.evaluate(-1), 0);
  EXPECT_EQ(ease.evaluate(2), 1);

  auto layer = Layer::create();
  layer->setBackgroundColor(Color::whiteColor());
  auto a = BasicAnimation::withKeyPath("backgroundColor");
  a->setFromValue(Color::black());
  a->setDuration(1);
  layer->addAnimation(a, "bg");
  EventDriver().advance(500);
  EXPECT_EQ(std::get<Color>(*layer->presentationValueForKeyPath("backgroundColor")), Color::white(0.5));
  EventDriver().advance(500);
  EXPECT_TRUE(layer->animationKeys().empty());  // removed on completion by default
}

TEST_F(UiTest, ViewFrameAnimationRunsItsCompletionWhenItEnds) {
  auto view = View::create({0, 0, 100, 100});
  int completions = 0;
  AnimationContext::runAnimationGroup(
      [&](AnimationContext& ctx) {
        ctx.setDuration(0.3);
        ctx.setTimingFunction(TimingFunction::named(TimingFunction::Name::Linear));
        view->animator().setFrame({100, 50, 200, 100});
      },
      [&] { ++completions; });
  EXPECT_EQ(view->frame(), (Rect{100, 50, 200, 100}));  // the model changes at once
  EventDriver driver;
  driver.advance(150);
  EXPECT_EQ(completions, 0);
  EXPECT_NEAR(view->layer()->presentationPosition().x, 50, 1e-6);
  EXPECT_NEAR(view->layer()->presentationSize().width, 150, 1e-6);
  driver.advance(150);
  EXPECT_EQ(completions, 1);

  // Nothing to animate: the completion still runs, on the next turn of the main queue.
  AnimationContext::runAnimationGroup([&](AnimationContext&) { view->animator().setFrame(view->frame()); },
                                      [&] { ++completions; });
  EXPECT_EQ(completions, 1);
  driver.runUntilIdle();
  EXPECT_EQ(completions, 2);
}

TEST_F(UiTest, StandaloneLayersAnimateImplicitlyUnlessActionsAreDisabled) {
  auto root = Layer::create();
  auto child = Layer::create();
  root->addSublayer(child);
  child->setOpacity(0);
  EXPECT_EQ(child->animationKeys(), (std::vector<std::string>{"opacity"}));
  EXPECT_DOUBLE_EQ(child->presentationOpacity(), 1);
  EventDriver().advance(250);
  EXPECT_DOUBLE_EQ(child->presentationOpacity(), 0);

  Transaction::begin();
  Transaction::setDisableActions(true);
  child->setOpacity(1);
  child->setBackgroundColor(Color::black());
  Transaction::commit();
  EXPECT_TRUE(child->animationKeys().empty());
  EXPECT_DOUBLE_EQ(child->presentationOpacity(), 1);

  // A view's own layer never animates implicitly.
  auto view = View::create({0, 0, 10, 10});
  view->setWantsLayer(true);
  root->addSublayer(view->layer());
  view->layer()->setOpacity(0.5);
  EXPECT_TRUE(view->layer()->animationKeys().empty());
}

TEST_F(UiTest, TransactionCompletionWaitsForItsAnimations) {
  auto layer = Layer::create();
  int done = 0;
  Transaction::begin();
  Transaction::setCompletionBlock([&] { ++done; });
  auto a = BasicAnimation::withKeyPath("opacity");
  a->setFromValue(0.0);
  a->setDuration(0.2);
  layer->addAnimation(a, "fade");
  Transaction::commit();
  EventDriver driver;
  driver.advance(199);
  EXPECT_EQ(done, 0);
  driver.advance(1);
  EXPECT_EQ(done, 1);
  Transaction::commit();  // unbalanced: logged and ignored
  EXPECT_TRUE(test::logContains("commit without begin"));
}

}  // namespace
}  // namespace vl::ui
