#include "ui/panels/AbstractPanel.h"

#include <cmath>
#include <utility>

#include "platform/foundation/Log.h"
#include "ui/HeldAnimation.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/VisibleRows.h"

namespace vl {

namespace {

constexpr const char* kAnimPos = "animPos";
constexpr const char* kAnimPosX = "animPosX";
constexpr const char* kIdTo = "animShadow_to";
constexpr const char* kIdFrom = "animShadow_from";
constexpr const char* kShakeIndex = "animPosX_keyIndex";
constexpr float kShakeTimes[AbstractPanel::kShakeSteps] = {
    0.025f, 0.05f, 0.075f, 0.1f, 0.125f, 0.15f, 0.175f, 0.2f, 0.225f, 0.25f, 0.275f, 0.3f, 0.0f};

}  // namespace

AbstractPanel::AbstractPanel(const ui::Rect& frame) : ui::View(frame) {
  setWantsLayer(true);
  layer()->setCornerRadius(10);
  layer()->setMaskedCorners(ui::MinXMinYCorner | ui::MaxXMinYCorner);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<ui::AnimationDelegate> AbstractPanel::delegateHandle() {
  return animationDelegateOf(*this, *this);
}

void AbstractPanel::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  ui::View* parent = superview();
  if (!parent) return;
  double W = parent->frame().width(), H = parent->frame().height();
  double w = frame().width(), h = frame().height();
  fromFrame_ = {(W - w) / 2, H, w, h};
  toFrame_ = {(W - w) / 2, H - h, w, h};
  setFrame(fromFrame_);
  frameSizeDidSet({w, h});
}

bool AbstractPanel::isShown() const {
  ui::View* parent = superview();
  return parent && frame().origin.y != parent->frame().height();
}

void AbstractPanel::animateY(double from, double to, const char* id) {
  auto anim = heldAnimation("position.y", from, to, kDuration);
  anim->setDelegate(delegateHandle());
  anim->setValue("id", id);
  layer()->addAnimation(anim, kAnimPos);
}

void AbstractPanel::show() {
  if (!superview()) {
    logf("%s: show before the panel has a superview, ignored", className().c_str());
    return;
  }
  if (phase_ != Phase::Idle) {
    logf("%s: show while it is still moving, ignored", className().c_str());
    return;
  }
  if (blockView_) blockView_->setHidden(false);
  phase_ = Phase::Showing;
  animateY(fromFrame_.origin.y, toFrame_.origin.y, kIdTo);
}

void AbstractPanel::dismiss() {
  if (phase_ != Phase::Idle || !isShown()) {
    logf("%s: dismiss of a panel that is not shown, ignored", className().c_str());
    return;
  }
  if (blockView_) blockView_->setHidden(true);
  phase_ = Phase::Dismissing;
  animateY(toFrame_.origin.y, fromFrame_.origin.y, kIdFrom);
}

void AbstractPanel::dismissWithEndBlock(std::function<void(AbstractPanel&)> block) {
  if (phase_ != Phase::Idle || !isShown()) {
    logf("%s: dismiss of a panel that is not shown, ignored with its end block", className().c_str());
    return;
  }
  dismissEndBlock_ = std::move(block);
  dismiss();
}

void AbstractPanel::panelAnimationDidEnd(bool shown) {
  const MainViewHooks& hooks = MainViewHooks::current();
  if (hooks.setPreviewSelection) hooks.setPreviewSelection(!shown);
  PanelCenter::shared().setIsShown(shown);
  if (hooks.focusSearchInput) hooks.focusSearchInput(!shown);
  if (hooks.setSyncBarEnabled) hooks.setSyncBarEnabled(!shown);
  if (hooks.setToolbarEnabled) hooks.setToolbarEnabled(!shown);
}

void AbstractPanel::animationDidStop(ui::Animation& animation, bool finished) {
  Json id = animation.value("id");
  Json step = animation.value(kShakeIndex);
  if (!finished) {
    // Stopped early: the frame stays where it was. A move replaced by a newer one leaves the phase to it.
    if (id.is_string() && !layer()->animationForKey(kAnimPos)) phase_ = Phase::Idle;
    return;
  }
  if (id == kIdTo) {
    phase_ = Phase::Idle;
    setFrame(toFrame_);
    layer()->removeAnimation(kAnimPos);
    if (blockView_) blockView_->drawShadowInFrame(frame());
    refreshVisibleRows(*this);
    panelAnimationDidEnd(true);
  } else if (id == kIdFrom) {
    phase_ = Phase::Idle;
    setFrame(fromFrame_);
    layer()->removeAnimation(kAnimPos);
    if (blockView_) blockView_->drawShadowInFrame({});
    panelAnimationDidEnd(false);
    if (auto block = std::exchange(dismissEndBlock_, nullptr)) block(*this);
  } else if (step.is_number_integer()) {
    int next = step.get<int>() + 1;
    if (next < kShakeSteps) shakeStep(next);
  }
}

float AbstractPanel::shakeOffset(float t) {
  return kAmplitude * std::exp(-kDecay * t) * std::sin(kOmega * t);
}

void AbstractPanel::sayNo() {
  if (!superview()) return;
  shakeStep(0);
}

void AbstractPanel::shakeStep(int index) {
  float x = static_cast<float>(toFrame_.origin.x);
  float from = index == 0 ? x : x + shakeOffset(kShakeTimes[index - 1]);
  float to = x + shakeOffset(kShakeTimes[index]);
  auto anim = heldAnimation("position.x", from, to, kShakeDuration * 0.25);
  anim->setDelegate(delegateHandle());
  anim->setValue(kShakeIndex, index);
  layer()->addAnimation(anim, kAnimPosX);
}

}  // namespace vl
