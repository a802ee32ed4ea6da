#include "ui/PassthroughTextView.h"

namespace vl {

PassthroughTextView::PassthroughTextView(const ui::Rect& frame) : ui::TextView(frame) {
  setEditable(false);
  setSelectable(false);
  setDrawsBackground(false);
  setVerticallyResizable(false);
}

void PassthroughTextView::mouseEntered(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseEntered(event);
}

void PassthroughTextView::mouseExited(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseExited(event);
}

void PassthroughTextView::mouseDown(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseDown(event);
}

void PassthroughTextView::mouseDragged(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseDragged(event);
}

void PassthroughTextView::mouseUp(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseUp(event);
}

}  // namespace vl
