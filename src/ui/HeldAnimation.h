#pragma once

#include <memory>

#include "platform/ui/view/Animation.h"
#include "platform/ui/view/View.h"

namespace vl {

// A move of `keyPath` from `from` to `to` whose end value stays on the layer until the animation is
// removed, so the view does not jump back before its owner sets the final frame.
std::shared_ptr<ui::BasicAnimation> heldAnimation(const char* keyPath, double from, double to,
                                                  double duration);

// `delegate` (the view itself, seen as its animation delegate) kept alive by the view's own owner; null
// while no shared pointer holds the view.
std::shared_ptr<ui::AnimationDelegate> animationDelegateOf(ui::View& view, ui::AnimationDelegate& delegate);

}  // namespace vl
