#include "platform/ui/view/ViewAnimator.h"

#include "platform/foundation/Log.h"
#include "platform/ui/view/Transaction.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

namespace {

bool animating() { return !Transaction::disableActions() && Transaction::animationDuration() > 0; }

void animate(Layer& layer, const std::string& keyPath, double from, double to) {
  if (from == to) return;
  auto a = BasicAnimation::withKeyPath(keyPath);
  a->setFromValue(from);
  a->setDuration(Transaction::animationDuration());
  a->setTimingFunction(Transaction::animationTimingFunction());
  layer.addAnimation(a, keyPath);
}

}  // namespace

void ViewAnimator::setFrame(const Rect& frame) {
  if (!view_) {
    logWarning("animator of a view not held by shared_ptr, nothing animated");
    return;
  }
  if (!animating()) {
    view_->setFrame(frame);
    return;
  }
  view_->setWantsLayer(true);
  Layer& layer = *view_->layer();
  Point fromOrigin = layer.presentationPosition();
  Size fromSize = layer.presentationSize();
  view_->setFrame(frame);
  Rect to = view_->frame();
  animate(layer, "position.x", fromOrigin.x, to.origin.x);
  animate(layer, "position.y", fromOrigin.y, to.origin.y);
  animate(layer, "bounds.size.width", fromSize.width, to.size.width);
  animate(layer, "bounds.size.height", fromSize.height, to.size.height);
}

void ViewAnimator::setFrameOrigin(Point origin) {
  if (view_) setFrame({origin, view_->frame().size});
}

void ViewAnimator::setFrameSize(Size size) {
  if (view_) setFrame({view_->frame().origin, size});
}

void ViewAnimator::setAlphaValue(double alpha) {
  if (!view_) return;
  if (!animating()) {
    view_->setAlphaValue(alpha);
    return;
  }
  view_->setWantsLayer(true);
  Layer& layer = *view_->layer();
  double from = layer.presentationOpacity();
  view_->setAlphaValue(alpha);
  animate(layer, "opacity", from, view_->alphaValue());
}

}  // namespace vl::ui
