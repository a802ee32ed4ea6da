#include "platform/ui/view/AnimationEngine.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/view/Animation.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/view/Transaction.h"

namespace vl::ui {

namespace {

double nowMs() { return Clock::current().monotonicMs(); }

}  // namespace

void AnimationEngine::tellStopped(const std::shared_ptr<Animation>& animation, bool finished) {
  if (auto delegate = animation->delegate()) delegate->animationDidStop(*animation, finished);
  Transaction::release(*animation);
}

AnimationEngine& AnimationEngine::shared() {
  // Never destroyed: layers held by other statics may still stop their animations during exit.
  static auto* engine = new AnimationEngine;
  return *engine;
}

void AnimationEngine::notifyStopped(const std::shared_ptr<Animation>& animation, bool finished, bool later) {
  if (!animation || animation->stopped_) return;
  animation->stopped_ = true;
  if (later) {
    dispatch::Queue::main()->async([animation, finished] { tellStopped(animation, finished); });
  } else {
    tellStopped(animation, finished);
  }
}

void AnimationEngine::schedule(Layer& layer) {
  std::weak_ptr<Layer> weak = layer.weak_from_this();
  if (weak.expired()) return;  // a layer not held by shared_ptr cannot be ticked; Layer logs this
  bool known = std::any_of(layers_.begin(), layers_.end(), [&](const std::weak_ptr<Layer>& w) {
    return !w.owner_before(weak) && !weak.owner_before(w);
  });
  if (!known) layers_.push_back(std::move(weak));
  if (!ticking_) rearm();
}

std::size_t AnimationEngine::runningCount() const {
  double now = nowMs();
  std::size_t n = 0;
  for (const auto& w : layers_) {
    if (auto layer = w.lock()) {
      for (const auto& e : layer->animations_) {
        if (!e.animation->stopped_ && !e.animation->hasEnded(now)) ++n;
      }
    }
  }
  return n;
}

void AnimationEngine::tick() {
  ticking_ = true;
  double now = nowMs();
  std::vector<std::pair<std::shared_ptr<Layer>, std::shared_ptr<Animation>>> ended;
  for (const auto& w : layers_) {
    auto layer = w.lock();
    if (!layer) continue;
    // What these layers show moves with the clock, ended ones included: their windows repaint this frame.
    layer->changed();
    for (const auto& e : layer->animations_) {
      if (!e.animation->stopped_ && e.animation->hasEnded(now)) ended.emplace_back(layer, e.animation);
    }
  }
  // Delegates run after the scan: they often add the next animation (a chained shake) or remove others.
  for (auto& [layer, animation] : ended) {
    if (animation->stopped_) continue;  // an earlier delegate removed it
    if (animation->isRemovedOnCompletion()) {
      auto& list = layer->animations_;
      auto it = std::find_if(list.begin(), list.end(),
                             [&](const Layer::Entry& e) { return e.animation == animation; });
      if (it != list.end()) list.erase(it);
    }
    notifyStopped(animation, true, false);
  }
  if (frameHook_) frameHook_();
  ticking_ = false;
  rearm();
}

void AnimationEngine::rearm() {
  double now = nowMs();
  double nextEnd = std::numeric_limits<double>::infinity();
  std::vector<std::weak_ptr<Layer>> live;
  for (const auto& w : layers_) {
    auto layer = w.lock();
    if (!layer) continue;
    bool running = false;
    for (const auto& e : layer->animations_) {
      const Animation& a = *e.animation;
      if (a.stopped_) continue;
      running = true;
      nextEnd = std::min(nextEnd, a.beginMs_ + a.durationMs_);
    }
    if (running) live.push_back(w);
  }
  layers_ = std::move(live);
  if (pending_) pending_->cancel();
  pending_.reset();
  if (layers_.empty()) return;
  double delay = std::clamp(nextEnd - now, 0.0, kFrameIntervalMs);
  pending_ = dispatch::after(delay, dispatch::Queue::main(), [this] {
    pending_.reset();
    tick();
  });
}

}  // namespace vl::ui
