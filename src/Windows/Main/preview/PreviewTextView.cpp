#include "Windows/Main/preview/PreviewTextView.h"

namespace vl {

PreviewTextView::PreviewTextView(const ui::Rect& frame) : ui::TextView(frame) { setDrawsBackground(false); }

const std::shared_ptr<VLVisualEffectView>& PreviewTextView::visualEffectView() {
  if (!visualEffectView_) visualEffectView_ = VLVisualEffectView::create(bounds());
  return visualEffectView_;
}

}  // namespace vl
