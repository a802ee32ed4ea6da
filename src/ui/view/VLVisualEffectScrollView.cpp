#include "ui/view/VLVisualEffectScrollView.h"

namespace vl {

VLVisualEffectScrollView::VLVisualEffectScrollView(const ui::Rect& frame) : ui::ScrollView(frame) {
  // The clip view was added while the base class was being built, before didAddSubview was ours.
  holdClipView_ = contentView().get();
  // The themed view behind shows through the content.
  setDrawsBackground(false);
}

const std::shared_ptr<ThemeView>& VLVisualEffectScrollView::themeView() {
  if (!themeView_) themeView_ = ThemeView::withKey({{0, 0}, frame().size}, kBackgroundKey);
  return themeView_;
}

void VLVisualEffectScrollView::didAddSubview(ui::View* subview) {
  ui::ScrollView::didAddSubview(subview);
  if (auto* clip = dynamic_cast<ui::ClipView*>(subview)) holdClipView_ = clip;
}

void VLVisualEffectScrollView::viewDidMoveToSuperview() {
  ui::ScrollView::viewDidMoveToSuperview();
  for (const auto& sub : subviews()) {
    if (dynamic_cast<ThemeView*>(sub.get())) return;
  }
  addSubview(themeView(), ui::View::Ordering::Below, holdClipView_);
}

void VLVisualEffectScrollView::setFrameSize(ui::Size size) {
  ui::ScrollView::setFrameSize(size);
  themeView()->setFrameSize(size);
}

}  // namespace vl
