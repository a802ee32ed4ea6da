#include "think/bar/ThinkBarScrollView.h"

#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/ui/view/Cursor.h"
#include "platform/ui/view/Event.h"

namespace vl {

ThinkBarScrollView::ThinkBarScrollView(const ui::Rect& frame) : VLVisualEffectScrollView(frame) {
  setUpOnInit();
}

std::shared_ptr<ThinkBarScrollView> ThinkBarScrollView::create(const ui::Rect& frame) {
  auto view = std::make_shared<ThinkBarScrollView>(frame);
  view->setThemeView(ThemeView::withKey({{0, 0}, frame.size}, "clear"));
  return view;
}

void ThinkBarScrollView::setUpOnInit() {
  scrollingEnabled_ = false;
  setHasHorizontalScroller(false);
  setHasVerticalScroller(false);
}

void ThinkBarScrollView::scrollWheel(const ui::Event& event) {
  if (scrollingEnabled_) VLVisualEffectScrollView::scrollWheel(event);
  ui::Cursor::arrow().set();
  const double dx = std::isfinite(event.deltaX()) ? event.deltaX() : 0;
  const double dy = std::isfinite(event.deltaY()) ? event.deltaY() : 0;
  const double delta = dx != 0 ? dx : dy;
  if (delta == 0 || !tbScrollDelegate_) return;
  const double now = Clock::current().now();
  if (delta > 0) {
    if (now - downTimestamp_ <= kStepSeconds) return;
    downTimestamp_ = now;
    tbScrollDelegate_->scrollMovingLeft();
  } else {
    if (now - upTimestamp_ <= kStepSeconds) return;
    upTimestamp_ = now;
    tbScrollDelegate_->scrollMovingRight();
  }
}

}  // namespace vl
