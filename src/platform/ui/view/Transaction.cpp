#include "platform/ui/view/Transaction.h"

#include <memory>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"

namespace vl::ui {

namespace {

constexpr double kDefaultDuration = 0.25;

struct Frame {
  double duration = kDefaultDuration;
  bool disableActions = false;
  TimingFunction timing = TimingFunction::named(TimingFunction::Name::Default);
  bool implicit = false;
  std::shared_ptr<AnimationGroup> group = std::make_shared<AnimationGroup>();
};

std::vector<Frame>& frames() {
  thread_local std::vector<Frame> stack;
  return stack;
}

bool& implicitCommitScheduled() {
  thread_local bool scheduled = false;
  return scheduled;
}

void fireIfDone(const std::shared_ptr<AnimationGroup>& group) {
  if (!group->committed || group->pending > 0 || group->fired) return;
  group->fired = true;
  if (!group->completion) return;
  auto block = std::move(group->completion);
  group->completion = nullptr;
  dispatch::Queue::main()->async(std::move(block));
}

Frame& innermost() {
  auto& stack = frames();
  if (stack.empty()) {
    Frame f;
    f.implicit = true;
    stack.push_back(std::move(f));
    if (!implicitCommitScheduled()) {
      implicitCommitScheduled() = true;
      dispatch::Queue::main()->async([] { Transaction::commitImplicit(); });
    }
  }
  return stack.back();
}

void closeFrame(Frame& f) {
  f.group->committed = true;
  fireIfDone(f.group);
}

}  // namespace

void Transaction::begin() { frames().push_back(Frame{}); }

void Transaction::commit() {
  auto& stack = frames();
  if (stack.empty() || stack.back().implicit) {
    logWarning("transaction commit without begin, ignored");
    return;
  }
  Frame f = std::move(stack.back());
  stack.pop_back();
  closeFrame(f);
}

void Transaction::commitImplicit() {
  implicitCommitScheduled() = false;
  auto& stack = frames();
  if (stack.empty()) return;
  // Only the implicit transaction at the bottom ends here; one still open above it was never committed.
  if (stack.size() > 1)
    logWarningf("%zu transactions left open at the end of a run loop turn, committed", stack.size() - 1);
  while (!stack.empty()) {
    Frame f = std::move(stack.back());
    stack.pop_back();
    closeFrame(f);
  }
}

int Transaction::depth() { return static_cast<int>(frames().size()); }

double Transaction::animationDuration() {
  return frames().empty() ? kDefaultDuration : frames().back().duration;
}

void Transaction::setAnimationDuration(double seconds) { innermost().duration = seconds > 0 ? seconds : 0; }

bool Transaction::disableActions() { return !frames().empty() && frames().back().disableActions; }

void Transaction::setDisableActions(bool disable) { innermost().disableActions = disable; }

TimingFunction Transaction::animationTimingFunction() {
  return frames().empty() ? TimingFunction::named(TimingFunction::Name::Default) : frames().back().timing;
}

void Transaction::setAnimationTimingFunction(const TimingFunction& f) { innermost().timing = f; }

void Transaction::setCompletionBlock(std::function<void()> block) {
  innermost().group->completion = std::move(block);
}

void Transaction::attach(Animation& animation) {
  for (Frame& f : frames()) {
    ++f.group->pending;
    animation.groups_.push_back(f.group);
  }
}

void Transaction::release(Animation& animation) {
  auto groups = std::move(animation.groups_);
  animation.groups_.clear();
  for (auto& g : groups) {
    --g->pending;
    fireIfDone(g);
  }
}

namespace {

std::vector<std::unique_ptr<AnimationContext>>& contextStack() {
  thread_local std::vector<std::unique_ptr<AnimationContext>> stack;
  return stack;
}

}  // namespace

void AnimationContext::runAnimationGroup(const std::function<void(AnimationContext&)>& changes,
                                         std::function<void()> completion) {
  Transaction::begin();
  Transaction::setCompletionBlock(std::move(completion));
  contextStack().push_back(std::make_unique<AnimationContext>());
  AnimationContext* context = contextStack().back().get();
  struct Close {
    ~Close() {
      contextStack().pop_back();
      Transaction::commit();
    }
  } close;
  if (changes) changes(*context);
}

AnimationContext& AnimationContext::current() {
  thread_local AnimationContext fallback;
  auto& stack = contextStack();
  return stack.empty() ? fallback : *stack.back();
}

}  // namespace vl::ui
