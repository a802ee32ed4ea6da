#include "Windows/Main/list/HintTableScroller.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/ui/graphics/DisplayList.h"
#include "theme/VLThemeCategories.h"

namespace vl {

HintTableScroller::HintTableScroller(HintTableScrollerDelegate* delegate)
    : ui::View(ui::Rect{}), delegate_(delegate) {
  if (delegate_) {
    pageSize_ = delegate_->hintTableScrollerPageSize();
    originX_ = delegate_->hintTableScrollerOriginX();
  }
}

void HintTableScroller::reload() {
  if (!delegate_) return;
  resultSize_ = delegate_->hintTableScrollerDataSize();
  pageHeight_ = delegate_->hintTableScrollerPageHeight();
  if (resultSize_ > pageSize_ && pageSize_ > 0) {
    const double row = pageHeight_ / static_cast<double>(pageSize_);
    height_ = (pageHeight_ - row) / static_cast<double>(resultSize_ - pageSize_) + row;
  } else {
    height_ = 0;
  }
  logDebugf("%f", height_);
  setFrame({originX_, pageHeight_ - height_, 2, height_});
  setNeedsDisplay(true);
}

void HintTableScroller::updatePercentage(double fraction) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  setFrame({originX_, pageHeight_ - ((pageHeight_ - height_) * fraction + height_), 2, height_});
}

void HintTableScroller::relocate() {
  if (delegate_) originX_ = delegate_->hintTableScrollerOriginX();
  setFrameOrigin({originX_, frame().minY()});
}

void HintTableScroller::movingUp() {
  if (delegate_) delegate_->hintTableScrollerMoveUp();
}

void HintTableScroller::movingDown() {
  if (delegate_) delegate_->hintTableScrollerMoveDown();
}

void HintTableScroller::drawRect(const ui::Rect& dirtyRect) {
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (!ctx) return;
  if (auto color = themeManager(*this).colorForKey(kColorKey)) ctx->fillRect(dirtyRect, *color);
}

}  // namespace vl
