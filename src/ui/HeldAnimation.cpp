#include "ui/HeldAnimation.h"

namespace vl {

std::shared_ptr<ui::BasicAnimation> heldAnimation(const char* keyPath, double from, double to,
                                                  double duration) {
  auto anim = ui::BasicAnimation::withKeyPath(keyPath);
  anim->setFromValue(from);
  anim->setToValue(to);
  anim->setDuration(duration);
  anim->setFillMode(ui::FillMode::Forwards);
  anim->setRemovedOnCompletion(false);
  return anim;
}

std::shared_ptr<ui::AnimationDelegate> animationDelegateOf(ui::View& view, ui::AnimationDelegate& delegate) {
  auto me = view.self();
  return me ? std::shared_ptr<ui::AnimationDelegate>(me, &delegate) : nullptr;
}

}  // namespace vl
