#pragma once

#include <memory>

#include "platform/ui/view/Animation.h"
#include "platform/ui/view/View.h"
#include "ui/navigation/VLPresenting.h"
#include "ui/panels/BlockShadowView.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

// A sheet that moves in from the right edge of its host view, over a cover that closes it when clicked.
// The same contract as AbstractPanel, on the horizontal axis, without end block or shake. Held by
// shared_ptr. Main thread only.
class AbstractSlide : public ui::View, public ui::AnimationDelegate, public VLPresenting {
 public:
  static constexpr double kDuration = 0.3;

  explicit AbstractSlide(const ui::Rect& frame = {});

  const ui::Rect& fromFrame() const { return fromFrame_; }
  const ui::Rect& toFrame() const { return toFrame_; }
  const std::shared_ptr<BlockShadowView>& blockView() const { return blockView_; }
  void setBlockView(std::shared_ptr<BlockShadowView> view) { blockView_ = std::move(view); }

  virtual void frameSizeDidSet(ui::Size /*size*/) {}
  virtual void showWithParams(const PanelParams& /*params*/) { show(); }
  void show();
  void dismiss() override;
  bool isShown() const;
  bool isAnimating() const { return phase_ != Phase::Idle; }
  virtual void slideAnimationDidEnd(bool /*shown*/) {}

  void viewDidMoveToSuperview() override;
  void animationDidStop(ui::Animation& animation, bool finished) override;

 private:
  enum class Phase { Idle, Showing, Dismissing };
  void animateX(double from, double to, const char* id);

  ui::Rect fromFrame_;
  ui::Rect toFrame_;
  std::shared_ptr<BlockShadowView> blockView_;
  Phase phase_ = Phase::Idle;
};

}  // namespace vl
