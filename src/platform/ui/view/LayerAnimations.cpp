// Layer: attaching, replacing and removing animations, and the values they put on screen.
#include <algorithm>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/AnimationEngine.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/view/Transaction.h"

namespace vl::ui {

void Layer::stopAnimation(const std::shared_ptr<Animation>& animation, bool finished, bool later) {
  AnimationEngine::notifyStopped(animation, finished, later);
}

void Layer::addAnimation(const std::shared_ptr<Animation>& animation, const std::string& key) {
  if (!animation) {
    logWarningf("addAnimation without an animation for key \"%s\", ignored", key.c_str());
    return;
  }
  std::shared_ptr<Animation> copy = animation->clone();
  // The start value comes from what is on screen now, the replaced animation's current value included.
  copy->resolveOnAdd(*this);
  double seconds = copy->duration() > 0 ? copy->duration() : Transaction::animationDuration();
  copy->durationMs_ = seconds * 1000;
  copy->beginMs_ = Clock::current().monotonicMs();
  copy->attached_ = true;
  if (!copy->keyPath().empty() && !valueForKeyPath(copy->keyPath())) {
    logWarningf("animation on unknown key path \"%s\" runs without changing anything",
                copy->keyPath().c_str());
  }
  if (weak_from_this().expired()) {
    logWarning("animation added to a layer not held by shared_ptr; it will never finish");
  }
  Transaction::attach(*copy);

  std::shared_ptr<Animation> replaced;
  if (!key.empty()) {
    auto it =
        std::find_if(animations_.begin(), animations_.end(), [&](const Entry& e) { return e.key == key; });
    if (it != animations_.end()) {
      replaced = it->animation;
      animations_.erase(it);
    }
  }
  animations_.push_back({key, copy});
  if (replaced) stopAnimation(replaced, false, true);
  if (copy->delegate()) {
    dispatch::Queue::main()->async([copy] {
      if (auto d = copy->delegate()) d->animationDidStart(*copy);
    });
  }
  changed();
  AnimationEngine::shared().schedule(*this);
}

std::shared_ptr<Animation> Layer::animationForKey(const std::string& key) const {
  for (const Entry& e : animations_) {
    if (e.key == key && !key.empty()) return e.animation;
  }
  return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
  std::vector<std::string> keys;
  for (const Entry& e : animations_) {
    if (!e.key.empty()) keys.push_back(e.key);
  }
  return keys;
}

void Layer::removeAnimation(const std::string& key) {
  auto it =
      std::find_if(animations_.begin(), animations_.end(), [&](const Entry& e) { return e.key == key; });
  if (it == animations_.end() || key.empty()) return;
  std::shared_ptr<Animation> removed = it->animation;
  animations_.erase(it);
  changed();
  stopAnimation(removed, false, true);
}

void Layer::removeAllAnimations() {
  auto entries = std::move(animations_);
  animations_.clear();
  if (!entries.empty()) changed();
  for (auto& e : entries) stopAnimation(e.animation, false, true);
}

std::optional<AnimValue> Layer::presentationValueForKeyPath(const std::string& keyPath) const {
  std::optional<AnimValue> value = valueForKeyPath(keyPath);
  if (animations_.empty()) return value;
  double now = Clock::current().monotonicMs();
  // Later animations on the same property override earlier ones.
  for (const Entry& e : animations_) {
    const Animation& a = *e.animation;
    if (a.keyPath() != keyPath) continue;
    if (!a.hasEnded(now)) {
      value = a.valueAt(a.timingFunction().evaluate(a.progressAt(now)), value);
    } else if (a.fillMode() == FillMode::Forwards || a.fillMode() == FillMode::Both) {
      value = a.valueAt(1, value);
    }
  }
  return value;
}

}  // namespace vl::ui
