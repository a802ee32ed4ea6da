#include "ui/panels/AbstractPanel.h"

#include <cmath>
#include <utility>

#include "platform/foundation/Log.h"
#include "ui/HeldAnimation.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"

namespace vl {

namespace {

constexpr const char* kAnimPosX = "animPosX";
constexpr const char* kShakeIndex = "animPosX_keyIndex";
constexpr float kShakeTimes[AbstractPanel::kShakeSteps] = {
    0.025f, 0.05f, 0.075f, 0.1f, 0.125f, 0.15f, 0.175f, 0.2f, 0.225f, 0.25f, 0.275f, 0.3f, 0.0f};

}  // namespace

AbstractPanel::AbstractPanel(const ui::Rect& frame)
    : EdgeSheet(frame, Edge::Top, "animShadow_to", "animShadow_from") {
  layer()->setCornerRadius(10);
  layer()->setMaskedCorners(ui::MinXMinYCorner | ui::MaxXMinYCorner);
  layer()->setMasksToBounds(true);
}

void AbstractPanel::dismissWithEndBlock(std::function<void(AbstractPanel&)> block) {
  if (isAnimating() || !isShown()) {
    logWarningf("%s: dismiss of a panel that is not shown, ignored with its end block", className().c_str());
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

void AbstractPanel::sheetDidEnd(bool shown) {
  panelAnimationDidEnd(shown);
  if (!shown) {
    if (auto block = std::exchange(dismissEndBlock_, nullptr)) block(*this);
  }
}

void AbstractPanel::otherAnimationDidStop(ui::Animation& animation, bool finished) {
  const Json step = animation.value(kShakeIndex);
  if (!finished || !step.is_number_integer()) return;
  const int next = step.get<int>() + 1;
  if (next < kShakeSteps) shakeStep(next);
}

float AbstractPanel::shakeOffset(float t) {
  return kAmplitude * std::exp(-kDecay * t) * std::sin(kOmega * t);
}

void AbstractPanel::sayNo() {
  if (!superview()) return;
  shakeStep(0);
}

void AbstractPanel::shakeStep(int index) {
  float x = static_cast<float>(toFrame().origin.x);
  float from = index == 0 ? x : x + shakeOffset(kShakeTimes[index - 1]);
  float to = x + shakeOffset(kShakeTimes[index]);
  auto anim = heldAnimation("position.x", from, to, kShakeDuration * 0.25);
  anim->setDelegate(animationDelegateOf(*this, *this));
  anim->setValue(kShakeIndex, index);
  layer()->addAnimation(anim, kAnimPosX);
}

}  // namespace vl
