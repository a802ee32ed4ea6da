#include "ui/controls/ImageTextButton.h"

namespace vl {

ImageTextButton::ImageTextButton(const ui::Rect& frame) : Button2(frame, false) {
  titleView();
  imageView();
}

const std::shared_ptr<ui::TextView>& ImageTextButton::titleView() {
  if (!titleView_) {
    auto view = PassthroughTextView::create();
    view->setMaximumNumberOfLines(1);
    view->setString("");
    titleView_ = view;
    addSubview(titleView_);
  }
  return titleView_;
}

const std::shared_ptr<ui::ImageView>& ImageTextButton::imageView() {
  if (!imageView_) {
    imageView_ = PassthroughImageView::create(bounds());
    addSubview(imageView_);
  }
  return imageView_;
}

void ImageTextButton::viewWillMoveToSuperview(ui::View* newSuperview) {
  Button2::viewWillMoveToSuperview(newSuperview);
  double width = frame().width();
  titleView()->setFrame({0, 2, width, 18});
  imageView()->setFrame({(width - 23) * 0.5, 23, 23, 23});
}

}  // namespace vl
