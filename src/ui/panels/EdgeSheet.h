#pragma once

#include <memory>

#include "platform/ui/view/Animation.h"
#include "platform/ui/view/View.h"
#include "ui/navigation/VLPresenting.h"
#include "ui/panels/BlockShadowView.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

// A sheet that moves in from an edge of its host view over a cover, along one axis: down from the top
// edge, centred (the panels), or in from the right edge (the slides). Subclasses give their size in the
// constructor, lay out in frameSizeDidSet and take their parameters in showWithParams. Shown is read from
// the frame, which changes only when an animation ends. Held by shared_ptr. Main thread only.
class EdgeSheet : public ui::View, public ui::AnimationDelegate, public VLPresenting {
 public:
  static constexpr double kDuration = 0.3;
  enum class Edge { Top, Right };

  const ui::Rect& fromFrame() const { return fromFrame_; }
  const ui::Rect& toFrame() const { return toFrame_; }
  const std::shared_ptr<BlockShadowView>& blockView() const { return blockView_; }
  void setBlockView(std::shared_ptr<BlockShadowView> view) { blockView_ = std::move(view); }

  virtual void frameSizeDidSet(ui::Size /*size*/) {}
  virtual void showWithParams(const PanelParams& /*params*/) { show(); }
  virtual void show();
  void dismiss() override;
  bool isShown() const;
  // True from a show or dismiss until its animation ends or stops.
  bool isAnimating() const { return phase_ != Phase::Idle; }

  void viewDidMoveToSuperview() override;
  void animationDidStop(ui::Animation& animation, bool finished) override;

 protected:
  // `idTo` and `idFrom` name the moves in and out (kept on the animations).
  EdgeSheet(const ui::Rect& frame, Edge edge, const char* idTo, const char* idFrom);
  // After a move in or out ended, the frame and the cover's shadow set.
  virtual void sheetDidEnd(bool shown) = 0;
  // Animations of the subclass's own (they carry no move id).
  virtual void otherAnimationDidStop(ui::Animation& /*animation*/, bool /*finished*/) {}

 private:
  enum class Phase { Idle, Showing, Dismissing };
  void animate(double from, double to, const char* id);
  double along(const ui::Rect& rect) const { return edge_ == Edge::Top ? rect.origin.y : rect.origin.x; }

  Edge edge_;
  const char* idTo_;
  const char* idFrom_;
  ui::Rect fromFrame_;
  ui::Rect toFrame_;
  std::shared_ptr<BlockShadowView> blockView_;
  Phase phase_ = Phase::Idle;
};

}  // namespace vl
