#include "platform/ui/view/Animation.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/view/Layer.h"

namespace vl::ui {

AnimValue interpolate(const AnimValue& from, const AnimValue& to, double t) {
  if (const double* a = std::get_if<double>(&from)) {
    if (const double* b = std::get_if<double>(&to)) return *a + (*b - *a) * t;
  }
  if (const Color* a = std::get_if<Color>(&from)) {
    if (const Color* b = std::get_if<Color>(&to)) return Color::mix(*a, *b, t);
  }
  return t >= 1 ? to : from;
}

std::string describe(const AnimValue& v) {
  if (const double* d = std::get_if<double>(&v)) return std::to_string(*d);
  return std::get<Color>(v).description();
}

TimingFunction::TimingFunction(double c1x, double c1y, double c2x, double c2y)
    : c1x_(std::clamp(c1x, 0.0, 1.0)), c1y_(c1y), c2x_(std::clamp(c2x, 0.0, 1.0)), c2y_(c2y) {}

TimingFunction TimingFunction::named(Name name) {
  switch (name) {
    case Name::Linear:
      return {};
    case Name::EaseIn:
      return {0.42, 0, 1, 1};
    case Name::EaseOut:
      return {0, 0, 0.58, 1};
    case Name::EaseInEaseOut:
      return {0.42, 0, 0.58, 1};
    case Name::Default:
      return {0.25, 0.1, 0.25, 1};
  }
  return {};
}

double TimingFunction::evaluate(double t) const {
  if (!(t > 0)) return 0;
  if (t >= 1) return 1;
  auto bezier = [](double p1, double p2, double s) {
    double u = 1 - s;
    return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
  };
  if (c1x_ == c1y_ && c2x_ == c2y_) return t;  // linear
  // x(s) is monotonic for control x in 0...1, so bisection always finds the curve parameter.
  double lo = 0, hi = 1, s = t;
  for (int i = 0; i < 60; ++i) {
    s = (lo + hi) / 2;
    double x = bezier(c1x_, c2x_, s);
    if (std::fabs(x - t) < 1e-9) break;
    (x < t ? lo : hi) = s;
  }
  return bezier(c1y_, c2y_, s);
}

Animation::Animation(const Animation& other)
    : duration_(other.duration_),
      timing_(other.timing_),
      fillMode_(other.fillMode_),
      removedOnCompletion_(other.removedOnCompletion_),
      delegate_(other.delegate_),
      values_(other.values_) {}

void Animation::setValue(const std::string& key, Json value) { values_[key] = std::move(value); }

Json Animation::value(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? Json() : it->second;
}

const std::string& Animation::keyPath() const {
  static const std::string none;
  return none;
}

std::optional<AnimValue> Animation::valueAt(double, const std::optional<AnimValue>& model) const {
  return model;
}

bool Animation::hasEnded(double nowMs) const {
  // A tolerance keeps a timer that fires exactly at the end from landing a rounding error short of it.
  return attached_ && nowMs - beginMs_ >= durationMs_ - 1e-6;
}

double Animation::progressAt(double nowMs) const {
  if (durationMs_ <= 0) return 1;
  return std::clamp((nowMs - beginMs_) / durationMs_, 0.0, 1.0);
}

void BasicAnimation::resolveOnAdd(const Layer& layer) {
  resolvedFrom_.reset();
  if (!from_) resolvedFrom_ = layer.presentationValueForKeyPath(keyPath_);
}

std::optional<AnimValue> BasicAnimation::valueAt(double progress,
                                                 const std::optional<AnimValue>& model) const {
  std::optional<AnimValue> from = from_ ? from_ : (resolvedFrom_ ? resolvedFrom_ : model);
  std::optional<AnimValue> to = to_ ? to_ : model;
  if (!from) return to;
  if (!to) return from;
  return interpolate(*from, *to, progress);
}

}  // namespace vl::ui
