#include "ui/PassthroughImageView.h"

namespace vl {

void PassthroughImageView::mouseEntered(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseEntered(event);
}

void PassthroughImageView::mouseExited(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseExited(event);
}

void PassthroughImageView::mouseDown(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseDown(event);
}

void PassthroughImageView::mouseDragged(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseDragged(event);
}

void PassthroughImageView::mouseUp(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseUp(event);
}

}  // namespace vl
