#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/view/Animation.h"
#include "platform/ui/view/View.h"
#include "ui/navigation/VLPresenting.h"
#include "ui/panels/BlockShadowView.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

// A sheet that drops down from the top edge of the main view, centred, over a cover that blocks the view
// below. Subclasses give their size in the constructor, lay out in frameSizeDidSet and take their
// parameters in showWithParams. Shown is read from the frame, which changes only when an animation ends.
// Held by shared_ptr (create through std::make_shared). Main thread only.
class AbstractPanel : public ui::View, public ui::AnimationDelegate, public VLPresenting {
 public:
  static constexpr double kDuration = 0.3;
  // The shake: offset A·e^(−ε·t)·sin(ω·t).
  static constexpr float kAmplitude = 15.0f;
  static constexpr float kDecay = 5.0f;
  static constexpr float kOmega = 62.831852f;
  static constexpr double kShakeDuration = 0.1;
  static constexpr int kShakeSteps = 13;

  explicit AbstractPanel(const ui::Rect& frame = {});

  const ui::Rect& fromFrame() const { return fromFrame_; }
  const ui::Rect& toFrame() const { return toFrame_; }
  const std::shared_ptr<BlockShadowView>& blockView() const { return blockView_; }
  void setBlockView(std::shared_ptr<BlockShadowView> view) { blockView_ = std::move(view); }

  virtual void frameSizeDidSet(ui::Size /*size*/) {}
  virtual void showWithParams(const PanelParams& /*params*/) { show(); }
  virtual void show();
  void dismiss() override;
  // The block runs once, after the dismiss animation ends; nothing is kept when the panel is not shown.
  void dismissWithEndBlock(std::function<void(AbstractPanel&)> block);
  bool isShown() const;
  // True from a show or dismiss until its animation ends or stops.
  bool isAnimating() const { return phase_ != Phase::Idle; }
  // Keeps the main window in step; overrides call it.
  virtual void panelAnimationDidEnd(bool shown);
  // A damped sideways shake: "no".
  void sayNo();
  static float shakeOffset(float t);

  void viewDidMoveToSuperview() override;
  void animationDidStop(ui::Animation& animation, bool finished) override;

 private:
  enum class Phase { Idle, Showing, Dismissing };
  void animateY(double from, double to, const char* id);
  void shakeStep(int index);
  std::shared_ptr<ui::AnimationDelegate> delegateHandle();

  ui::Rect fromFrame_;
  ui::Rect toFrame_;
  std::shared_ptr<BlockShadowView> blockView_;
  std::function<void(AbstractPanel&)> dismissEndBlock_;
  Phase phase_ = Phase::Idle;
};

}  // namespace vl
