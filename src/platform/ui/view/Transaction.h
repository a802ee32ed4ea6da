#pragma once

#include <functional>

#include "platform/ui/view/Animation.h"

namespace vl::ui {

// Animations added while a transaction is open share one completion: it runs (on the main queue) once
// every one of them has stopped, finished or not, and the transaction has been committed.
struct AnimationGroup {
  int pending = 0;
  bool committed = false;
  bool fired = false;
  std::function<void()> completion;
};

// Groups layer changes on the main thread: their duration, timing and whether property changes of
// standalone layers animate implicitly. Transactions nest; a setting applies to the innermost one. A setter
// called outside begin/commit opens an implicit transaction that is committed at the end of the current
// turn of the main run loop.
class Transaction {
 public:
  static void begin();
  static void commit();
  // Number of open transactions, the implicit one included.
  static int depth();

  // Seconds; 0.25 unless set.
  static double animationDuration();
  static void setAnimationDuration(double seconds);
  static bool disableActions();
  static void setDisableActions(bool disable);
  static TimingFunction animationTimingFunction();
  static void setAnimationTimingFunction(const TimingFunction& f);
  // Runs after commit once every animation added inside this transaction has stopped (at once, on the
  // main queue, when there were none).
  static void setCompletionBlock(std::function<void()> block);
  // Ends the implicit transaction; queued on the main queue when it opens, so it runs at the end of the
  // current turn of the run loop.
  static void commitImplicit();

 private:
  friend class Layer;
  friend class AnimationEngine;
  // Counts the animation in every open transaction's group.
  static void attach(Animation& animation);
  // The animation stopped: its groups may complete.
  static void release(Animation& animation);
};

// Frame animations of views, grouped with a duration and a completion handler:
//   AnimationContext::runAnimationGroup([&](AnimationContext& ctx) {
//     ctx.setDuration(0.3);
//     view->animator().setFrame(target);
//   }, [] { /* runs when the frame animation ends */ });
class AnimationContext {
 public:
  static void runAnimationGroup(const std::function<void(AnimationContext&)>& changes,
                                std::function<void()> completion = {});
  // The innermost group's context (a default one outside any group).
  static AnimationContext& current();

  double duration() const { return Transaction::animationDuration(); }
  void setDuration(double seconds) { Transaction::setAnimationDuration(seconds); }
  TimingFunction timingFunction() const { return Transaction::animationTimingFunction(); }
  void setTimingFunction(const TimingFunction& f) { Transaction::setAnimationTimingFunction(f); }

 private:
  bool allowsImplicitAnimation_ = false;
};

}  // namespace vl::ui
