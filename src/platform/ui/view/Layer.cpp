#include "platform/ui/view/Layer.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/ui/view/Transaction.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

Layer::~Layer() {
  for (auto& child : sublayers_) child->superlayer_ = nullptr;
  if (mask_ && mask_->maskOf_ == this) mask_->maskOf_ = nullptr;
  // Completions waiting on these animations must not wait forever; delegates hear "not finished".
  auto entries = std::move(animations_);
  animations_.clear();
  for (auto& e : entries) stopAnimation(e.animation, false, true);
}

void Layer::setFrame(const Rect& r) {
  Rect s = r.standardized();
  setPosition(s.origin);
  setBounds({bounds_.origin, s.size});
}

void Layer::setPosition(Point p) {
  if (p.x != position_.x) willChange("position.x", position_.x, p.x);
  if (p.y != position_.y) willChange("position.y", position_.y, p.y);
  position_ = p;
}

void Layer::setBounds(const Rect& r) {
  Rect s = r.standardized();
  if (s.size.width != bounds_.size.width) willChange("bounds.size.width", bounds_.size.width, s.size.width);
  if (s.size.height != bounds_.size.height)
    willChange("bounds.size.height", bounds_.size.height, s.size.height);
  if (s.origin != bounds_.origin) changed();
  bounds_ = s;
}

void Layer::setGeometryFromView(const Rect& frame, bool flipped) {
  position_ = frame.origin;
  bounds_.size = frame.size;
  geometryFlipped_ = flipped;
}

void Layer::setBackgroundColor(std::optional<Color> c) {
  if (c != backgroundColor_) {
    willChange("backgroundColor", backgroundColor_.value_or(Color::clear()), c.value_or(Color::clear()));
  }
  backgroundColor_ = std::move(c);
}

void Layer::setBorderColor(std::optional<Color> c) {
  if (c != borderColor_)
    willChange("borderColor", borderColor_.value_or(Color::clear()), c.value_or(Color::clear()));
  borderColor_ = std::move(c);
}

void Layer::setBorderWidth(double w) {
  if (!(w >= 0)) w = 0;
  if (w != borderWidth_) willChange("borderWidth", borderWidth_, w);
  borderWidth_ = w;
}

void Layer::setCornerRadius(double r) {
  if (!(r >= 0)) r = 0;
  if (r != cornerRadius_) willChange("cornerRadius", cornerRadius_, r);
  cornerRadius_ = r;
}

void Layer::setOpacity(double o) {
  o = std::isnan(o) ? 1 : std::clamp(o, 0.0, 1.0);
  if (o != opacity_) willChange("opacity", opacity_, o);
  opacity_ = o;
}

void Layer::setShadowOpacity(double o) {
  o = std::isnan(o) ? 0 : std::clamp(o, 0.0, 1.0);
  if (o != shadowOpacity_) willChange("shadowOpacity", shadowOpacity_, o);
  shadowOpacity_ = o;
}

void Layer::setShadowRadius(double r) {
  if (!(r >= 0)) r = 0;
  if (r != shadowRadius_) willChange("shadowRadius", shadowRadius_, r);
  shadowRadius_ = r;
}

void Layer::setMask(std::shared_ptr<Layer> m) {
  if (m.get() == this) {
    logWarning("a layer cannot be its own mask, ignored");
    return;
  }
  if (mask_ && mask_->maskOf_ == this) mask_->maskOf_ = nullptr;
  mask_ = std::move(m);
  if (mask_) mask_->maskOf_ = this;
  changed();
}

void Layer::changed() {
  // Mask chains can loop (two layers masking each other); a deep walk is cut rather than followed.
  int steps = 0;
  for (const Layer* l = this; l && steps < 4096; ++steps) {
    if (l->view_) {
      l->view_->setNeedsDisplay(true);
      return;
    }
    l = l->superlayer_ ? l->superlayer_ : l->maskOf_;
  }
}

BezierPath Layer::outline() const {
  Rect box{bounds_.origin, presentationSize()};
  double radius = 0;
  if (auto v = presentationValueForKeyPath("cornerRadius")) radius = std::get<double>(*v);
  return BezierPath::roundedRectWithCorners(box, radius, maskedCorners_);
}

// --- tree -----------------------------------------------------------------------------------------------

namespace {

bool isAncestorOrSelf(const Layer* candidate, const Layer* of) {
  for (const Layer* l = of; l; l = l->superlayer()) {
    if (l == candidate) return true;
  }
  return false;
}

}  // namespace

void Layer::insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index) {
  if (!layer || isAncestorOrSelf(layer.get(), this)) {
    logWarning("sublayer is missing or would contain its own superlayer, ignored");
    return;
  }
  std::shared_ptr<Layer> keep = layer;  // may be held only by its old superlayer
  if (keep->superlayer_) keep->removeFromSuperlayer();
  index = std::min(index, sublayers_.size());
  sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), keep);
  keep->superlayer_ = this;
  changed();
}

void Layer::addSublayer(const std::shared_ptr<Layer>& layer) {
  std::size_t end = sublayers_.size();
  if (layer && layer->superlayer_ == this) --end;  // it leaves its old slot first
  insertSublayer(layer, end);
}

void Layer::removeFromSuperlayer() {
  Layer* parent = superlayer_;
  if (!parent) return;
  superlayer_ = nullptr;
  parent->changed();
  auto& subs = parent->sublayers_;
  auto it = std::find_if(subs.begin(), subs.end(), [this](auto& s) { return s.get() == this; });
  if (it != subs.end()) subs.erase(it);  // may destroy this layer: nothing touches it afterwards
}

// --- key paths ------------------------------------------------------------------------------------------

std::optional<AnimValue> Layer::valueForKeyPath(const std::string& k) const {
  if (k == "position.x") return position_.x;
  if (k == "position.y") return position_.y;
  if (k == "bounds.size.width") return bounds_.size.width;
  if (k == "bounds.size.height") return bounds_.size.height;
  if (k == "opacity") return opacity_;
  if (k == "backgroundColor") return backgroundColor_.value_or(Color::clear());
  if (k == "borderColor") return borderColor_.value_or(Color::clear());
  if (k == "borderWidth") return borderWidth_;
  if (k == "cornerRadius") return cornerRadius_;
  if (k == "shadowOpacity") return shadowOpacity_;
  if (k == "shadowRadius") return shadowRadius_;
  return std::nullopt;
}

bool Layer::setValueForKeyPath(const std::string& k, const AnimValue& v) {
  if (const Color* c = std::get_if<Color>(&v)) {
    if (k == "backgroundColor")
      setBackgroundColor(*c);
    else if (k == "borderColor")
      setBorderColor(*c);
    else
      return false;
    return true;
  }
  const double* number = std::get_if<double>(&v);
  if (!number) return false;
  double d = *number;
  if (k == "position.x")
    setPosition({d, position_.y});
  else if (k == "position.y")
    setPosition({position_.x, d});
  else if (k == "bounds.size.width")
    setBounds({bounds_.origin, {d, bounds_.size.height}});
  else if (k == "bounds.size.height")
    setBounds({bounds_.origin, {bounds_.size.width, d}});
  else if (k == "opacity")
    setOpacity(d);
  else if (k == "borderWidth")
    setBorderWidth(d);
  else if (k == "cornerRadius")
    setCornerRadius(d);
  else if (k == "shadowOpacity")
    setShadowOpacity(d);
  else if (k == "shadowRadius")
    setShadowRadius(d);
  else
    return false;
  return true;
}

Point Layer::presentationPosition() const {
  auto x = presentationValueForKeyPath("position.x");
  auto y = presentationValueForKeyPath("position.y");
  return {x ? std::get<double>(*x) : position_.x, y ? std::get<double>(*y) : position_.y};
}

Size Layer::presentationSize() const {
  auto w = presentationValueForKeyPath("bounds.size.width");
  auto h = presentationValueForKeyPath("bounds.size.height");
  return {w ? std::get<double>(*w) : bounds_.size.width, h ? std::get<double>(*h) : bounds_.size.height};
}

double Layer::presentationOpacity() const {
  auto o = presentationValueForKeyPath("opacity");
  return o ? std::clamp(std::get<double>(*o), 0.0, 1.0) : opacity_;
}

bool Layer::implicitAnimationsAllowed() const {
  return view_ == nullptr && superlayer_ != nullptr && !Transaction::disableActions() &&
         Transaction::animationDuration() > 0;
}

void Layer::willChange(const std::string& keyPath, const AnimValue& oldValue, const AnimValue& newValue) {
  changed();
  if (oldValue == newValue || !implicitAnimationsAllowed()) return;
  auto animation = BasicAnimation::withKeyPath(keyPath);
  animation->setFromValue(presentationValueForKeyPath(keyPath).value_or(oldValue));
  animation->setDuration(Transaction::animationDuration());
  animation->setTimingFunction(Transaction::animationTimingFunction());
  addAnimation(animation, keyPath);
}

}  // namespace vl::ui
