#include "ui/ArrowCursorStyleTextView.h"

#include "platform/foundation/NotificationCenter.h"
#include "ui/ArrowCursor.h"

namespace vl {

void ArrowCursorStyleTextView::mouseDown(const ui::Event&) {
  NotificationCenter::defaultCenter().post(kHistoryMouseClick);
}

void ArrowCursorStyleTextView::mouseMoved(const ui::Event&) { arrow_cursor::set(); }

void ArrowCursorStyleTextView::cursorUpdate(const ui::Event&) { arrow_cursor::set(); }

void ArrowCursorStyleTextView::resetCursorRects() { arrow_cursor::resetCursorRects(*this); }

std::shared_ptr<ui::Menu> ArrowCursorStyleTextView::menuForEvent(const ui::Event&) { return nullptr; }

}  // namespace vl
