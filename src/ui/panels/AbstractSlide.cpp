#include "ui/panels/AbstractSlide.h"

#include "platform/foundation/Log.h"
#include "ui/HeldAnimation.h"
#include "ui/panels/VisibleRows.h"

namespace vl {

namespace {

constexpr const char* kAnimPos = "animPos";
constexpr const char* kIdTo = "animToEndFrame";
constexpr const char* kIdFrom = "animToOriginFrame";

}  // namespace

AbstractSlide::AbstractSlide(const ui::Rect& frame) : ui::View(frame) { setWantsLayer(true); }

void AbstractSlide::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  ui::View* parent = superview();
  if (!parent) return;
  double W = parent->frame().width();
  double w = frame().width(), h = frame().height();
  fromFrame_ = {W, 0, w, h};
  toFrame_ = {W - w, 0, w, h};
  setFrame(fromFrame_);
  frameSizeDidSet({w, h});
}

bool AbstractSlide::isShown() const {
  ui::View* parent = superview();
  return parent && frame().origin.x != parent->frame().width();
}

void AbstractSlide::animateX(double from, double to, const char* id) {
  auto anim = heldAnimation("position.x", from, to, kDuration);
  anim->setDelegate(animationDelegateOf(*this, *this));
  anim->setValue("id", id);
  layer()->addAnimation(anim, kAnimPos);
}

void AbstractSlide::show() {
  if (!superview() || phase_ != Phase::Idle) {
    logf("%s: show without a host or while it is still moving, ignored", className().c_str());
    return;
  }
  if (blockView_) blockView_->setHidden(false);
  phase_ = Phase::Showing;
  animateX(fromFrame_.origin.x, toFrame_.origin.x, kIdTo);
}

void AbstractSlide::dismiss() {
  if (phase_ != Phase::Idle || !isShown()) {
    logf("%s: dismiss of a slide that is not shown, ignored", className().c_str());
    return;
  }
  if (blockView_) blockView_->setHidden(true);
  phase_ = Phase::Dismissing;
  animateX(toFrame_.origin.x, fromFrame_.origin.x, kIdFrom);
}

void AbstractSlide::animationDidStop(ui::Animation& animation, bool finished) {
  Json id = animation.value("id");
  if (!finished) {
    if (!layer()->animationForKey(kAnimPos)) phase_ = Phase::Idle;
    return;
  }
  phase_ = Phase::Idle;
  bool shown = id == kIdTo;
  setFrame(shown ? toFrame_ : fromFrame_);
  layer()->removeAnimation(kAnimPos);
  if (blockView_) blockView_->drawShadowInFrame(shown ? frame() : ui::Rect{});
  if (shown) refreshVisibleRows(*this);
  slideAnimationDidEnd(shown);
}

}  // namespace vl
