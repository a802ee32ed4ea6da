#include "ui/panels/EdgeSheet.h"

#include "platform/foundation/Log.h"
#include "ui/HeldAnimation.h"
#include "ui/panels/VisibleRows.h"

namespace vl {

namespace {

constexpr const char* kAnimPos = "animPos";

}  // namespace

EdgeSheet::EdgeSheet(const ui::Rect& frame, Edge edge, const char* idTo, const char* idFrom)
    : ui::View(frame), edge_(edge), idTo_(idTo), idFrom_(idFrom) {
  setWantsLayer(true);
}

void EdgeSheet::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  ui::View* parent = superview();
  if (!parent) return;
  const double W = parent->frame().width(), H = parent->frame().height();
  const double w = frame().width(), h = frame().height();
  if (edge_ == Edge::Top) {
    fromFrame_ = {(W - w) / 2, H, w, h};
    toFrame_ = {(W - w) / 2, H - h, w, h};
  } else {
    fromFrame_ = {W, 0, w, h};
    toFrame_ = {W - w, 0, w, h};
  }
  setFrame(fromFrame_);
  frameSizeDidSet({w, h});
}

bool EdgeSheet::isShown() const {
  ui::View* parent = superview();
  if (!parent) return false;
  const ui::Size host = parent->frame().size;
  return along(frame()) != (edge_ == Edge::Top ? host.height : host.width);
}

void EdgeSheet::animate(double from, double to, const char* id) {
  auto anim = heldAnimation(edge_ == Edge::Top ? "position.y" : "position.x", from, to, kDuration);
  anim->setDelegate(animationDelegateOf(*this, *this));
  anim->setValue("id", id);
  layer()->addAnimation(anim, kAnimPos);
}

void EdgeSheet::show() {
  if (!superview()) {
    logWarningf("%s: show before it has a host, ignored", className().c_str());
    return;
  }
  if (phase_ != Phase::Idle) {
    logWarningf("%s: show while it is still moving, ignored", className().c_str());
    return;
  }
  if (blockView_) blockView_->setHidden(false);
  phase_ = Phase::Showing;
  animate(along(fromFrame_), along(toFrame_), idTo_);
}

void EdgeSheet::dismiss() {
  if (phase_ != Phase::Idle || !isShown()) {
    logWarningf("%s: dismiss of a sheet that is not shown, ignored", className().c_str());
    return;
  }
  if (blockView_) blockView_->setHidden(true);
  phase_ = Phase::Dismissing;
  animate(along(toFrame_), along(fromFrame_), idFrom_);
}

void EdgeSheet::animationDidStop(ui::Animation& animation, bool finished) {
  const Json id = animation.value("id");
  if (!id.is_string() || (id != idTo_ && id != idFrom_)) {
    otherAnimationDidStop(animation, finished);
    return;
  }
  if (!finished) {
    // Stopped early: the frame stays where it was. A move replaced by a newer one leaves the phase to it.
    if (!layer()->animationForKey(kAnimPos)) phase_ = Phase::Idle;
    return;
  }
  phase_ = Phase::Idle;
  const bool shown = id == idTo_;
  // Clicks reach the sheet only once it is at rest; a road test waits for this line before it clicks on.
  logDebugf("%s: came to rest %s", className().c_str(), shown ? "shown" : "hidden");
  setFrame(shown ? toFrame_ : fromFrame_);
  layer()->removeAnimation(kAnimPos);
  if (blockView_) blockView_->drawShadowInFrame(shown ? frame() : ui::Rect{});
  if (shown) refreshVisibleRows(*this);
  sheetDidEnd(shown);
}

}  // namespace vl
