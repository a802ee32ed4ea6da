#include "ui/PassthroughAndArrowCursorTextView.h"

#include "ui/ArrowCursor.h"

namespace vl {

void PassthroughAndArrowCursorTextView::mouseMoved(const ui::Event&) { arrow_cursor::set(); }

void PassthroughAndArrowCursorTextView::cursorUpdate(const ui::Event&) { arrow_cursor::set(); }

void PassthroughAndArrowCursorTextView::resetCursorRects() { arrow_cursor::resetCursorRects(*this); }

std::shared_ptr<ui::Menu> PassthroughAndArrowCursorTextView::menuForEvent(const ui::Event&) {
  return nullptr;
}

}  // namespace vl
