#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/ui/graphics/Color.h"

namespace vl::ui {

class Animation;
class Layer;
struct AnimationGroup;

// The value of an animatable layer property: a number or a colour.
using AnimValue = std::variant<double, Color>;
// Interpolates between two values of the same kind; values of different kinds jump at the end.
AnimValue interpolate(const AnimValue& from, const AnimValue& to, double t);
std::string describe(const AnimValue& v);

// Maps linear progress (0...1) to eased progress along a cubic curve from (0, 0) to (1, 1).
class TimingFunction {
 public:
  enum class Name { Linear, EaseIn, EaseOut, EaseInEaseOut, Default };
  TimingFunction() = default;  // linear
  TimingFunction(double c1x, double c1y, double c2x, double c2y);
  static TimingFunction named(Name name);

  double evaluate(double t) const;
  bool operator==(const TimingFunction&) const = default;

 private:
  double c1x_ = 0, c1y_ = 0, c2x_ = 1, c2y_ = 1;
};

// When a finished (or not yet started) animation still shows its values.
enum class FillMode { Removed, Forwards, Backwards, Both };

// Told when an animation starts and when it stops. Held weakly by the animation.
class AnimationDelegate {
 public:
  virtual ~AnimationDelegate() = default;
  virtual void animationDidStart(Animation&) {}
  // finished is true when the animation ran its whole duration, false when it was removed or replaced
  // first. Called exactly once per animation added to a layer.
  virtual void animationDidStop(Animation&, bool /*finished*/) {}
};

// An animation of a layer property over time, read against vl::Clock. A layer keeps its own copy of an
// animation added to it, so one configured animation may be added to several layers; the delegate
// receives the copy that ran (`Layer::animationForKey` gives the same object).
class Animation {
 public:
  Animation() = default;
  virtual ~Animation() = default;
  virtual std::shared_ptr<Animation> clone() const = 0;

  // Seconds; 0 or less takes the enclosing transaction's duration when the animation is added.
  double duration() const { return duration_; }
  void setDuration(double seconds) { duration_ = seconds; }
  // Linear unless set.
  const TimingFunction& timingFunction() const { return timing_; }
  void setTimingFunction(const TimingFunction& f) { timing_ = f; }
  FillMode fillMode() const { return fillMode_; }
  void setFillMode(FillMode m) { fillMode_ = m; }
  // Default true: the layer drops the animation when it finishes.
  bool isRemovedOnCompletion() const { return removedOnCompletion_; }
  void setRemovedOnCompletion(bool v) { removedOnCompletion_ = v; }

  std::shared_ptr<AnimationDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<AnimationDelegate>& d) { delegate_ = d; }

  // A small key-value store callers use to tell their animations apart ("id" -> "push").
  void setValue(const std::string& key, Json value);
  // The stored value, or null.
  Json value(const std::string& key) const;

  // The property the animation drives; empty for none.
  virtual const std::string& keyPath() const;
  // The value at a progress in 0...1 (already eased), given the property's model value.
  virtual std::optional<AnimValue> valueAt(double progress, const std::optional<AnimValue>& model) const;

  // Duration in milliseconds as resolved when the animation was added.
  bool hasEnded(double nowMs) const;
  // 0...1, linear (before the timing function).
  double progressAt(double nowMs) const;
  bool hasStopped() const { return stopped_; }

 protected:
  Animation(const Animation& other);
  Animation& operator=(const Animation&) = delete;
  // Called when the animation is added to a layer, to take start values from it.
  virtual void resolveOnAdd(const Layer&) {}

 private:
  friend class Layer;
  friend class AnimationEngine;
  friend class Transaction;

  double duration_ = 0;
  TimingFunction timing_;
  FillMode fillMode_ = FillMode::Removed;
  bool removedOnCompletion_ = true;
  std::weak_ptr<AnimationDelegate> delegate_;
  std::map<std::string, Json> values_;

  bool attached_ = false;
  bool stopped_ = false;
  double beginMs_ = 0;
  double durationMs_ = 0;
  std::vector<std::shared_ptr<AnimationGroup>> groups_;
};

// Animates one key path ("position.y", "opacity", "backgroundColor", ...) from one value to another. An
// unset from value starts at what the layer shows when the animation is added; an unset to value ends at
// the property's model value.
class BasicAnimation : public Animation {
 public:
  BasicAnimation() = default;
  explicit BasicAnimation(std::string keyPath) : keyPath_(std::move(keyPath)) {}
  static std::shared_ptr<BasicAnimation> withKeyPath(const std::string& keyPath) {
    return std::make_shared<BasicAnimation>(keyPath);
  }
  std::shared_ptr<Animation> clone() const override { return std::make_shared<BasicAnimation>(*this); }

  const std::string& keyPath() const override { return keyPath_; }
  void setFromValue(std::optional<AnimValue> v) { from_ = std::move(v); }
  void setToValue(std::optional<AnimValue> v) { to_ = std::move(v); }

  std::optional<AnimValue> valueAt(double progress, const std::optional<AnimValue>& model) const override;

  BasicAnimation(const BasicAnimation&) = default;

 protected:
  void resolveOnAdd(const Layer& layer) override;

 private:
  std::string keyPath_;
  std::optional<AnimValue> from_;
  std::optional<AnimValue> to_;
  // The start value taken from the layer when no from value was given.
  std::optional<AnimValue> resolvedFrom_;
};

}  // namespace vl::ui
