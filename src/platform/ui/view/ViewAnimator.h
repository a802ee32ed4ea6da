#pragma once

#include <memory>

#include "platform/ui/graphics/Geometry.h"

namespace vl::ui {

class View;

// Sets a view's frame or alpha at once and animates what is on screen from the old value, with the duration
// and timing of the enclosing AnimationContext group (0.25 s outside one). The view becomes layer-backed,
// since the animation runs on its layer. With actions disabled the change is not animated.
class ViewAnimator {
 public:
  explicit ViewAnimator(std::shared_ptr<View> view) : view_(std::move(view)) {}

  void setFrame(const Rect& frame);
  void setFrameOrigin(Point origin);
  void setFrameSize(Size size);
  void setAlphaValue(double alpha);

 private:
  std::shared_ptr<View> view_;
};

}  // namespace vl::ui
