#include "ui/VLScrollTextView.h"

#include "ui/EditFrameLook.h"

namespace vl {

VLScrollTextView::VLScrollTextView(const ui::Rect& frame) : ui::View(frame) { setWantsLayer(true); }

std::shared_ptr<VLScrollTextView> VLScrollTextView::create(const ui::Rect& frame) {
  auto view = std::make_shared<VLScrollTextView>(frame);
  view->scrollView();
  // Made at the size it was created with, so a view that is never resized still shows its text.
  view->resizeSubviewsWithOldSize(view->bounds().size);
  return view;
}

const std::shared_ptr<VLInnerTextView>& VLScrollTextView::textView() {
  if (textView_) return textView_;
  textView_ = VLInnerTextView::create();
  textView_->setEditable(true);
  textView_->setRichText(false);
  if (auto me = std::static_pointer_cast<VLScrollTextView>(self())) {
    textView_->setDelegate(std::static_pointer_cast<ui::TextViewDelegate>(me));
    textView_->setAddOnDelegate(std::static_pointer_cast<VLInnerTextViewDelegate>(me));
  }
  vl::setBackgroundColorAssetKey(*textView_, vl::backgroundColorAssetKey(static_cast<ui::View&>(*this)));
  return textView_;
}

const std::shared_ptr<ui::ScrollView>& VLScrollTextView::scrollView() {
  if (scrollView_) return scrollView_;
  scrollView_ = ui::ScrollView::create();
  scrollView_->setDocumentView(textView());
  scrollView_->setDrawsBackground(false);
  addSubview(scrollView_);
  return scrollView_;
}

void VLScrollTextView::resizeSubviewsWithOldSize(ui::Size oldSize) {
  ui::View::resizeSubviewsWithOldSize(oldSize);
  scrollView()->setFrameSize(bounds().size);
  textView()->setFrameSize(bounds().size);
}

void VLScrollTextView::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  vl::setTextColorAssetKey(*textView(), textKey_);
  fillEditKeys(borderKey_, backgroundKey_, borderEditKey_, editBackgroundKey_);
  if (font_) textView()->setFont(*font_);
  setUpFrameLook(*layer(), radius_, borderKey_, backgroundKey_, borderWidth_);
}

void VLScrollTextView::applyLook(const AssetKey& border, const AssetKey& background, double width) {
  applyFrameLook(*layer(), border, background, width);
}

void VLScrollTextView::didBecomeFirstResponder(VLInnerTextView&) {
  applyLook(borderEditKey_, editBackgroundKey_, 2);
}

bool VLScrollTextView::textViewDoCommandBySelector(ui::TextView&, const std::string& command) {
  return keyViewLinks_.follow(*this, command);
}

void VLScrollTextView::textDidEndEditing(ui::TextView&) { applyLook(borderKey_, backgroundKey_, 1); }

}  // namespace vl
