#include "ui/VLInnerTextField.h"

namespace vl {

bool VLInnerTextField::becomeFirstResponder() {
  if (auto d = addOnDelegate()) d->didBecomeFirstResponder(*this);
  return ui::TextField::becomeFirstResponder();
}

bool VLInnerTextView::becomeFirstResponder() {
  if (auto d = addOnDelegate()) d->didBecomeFirstResponder(*this);
  return ui::TextView::becomeFirstResponder();
}

}  // namespace vl
