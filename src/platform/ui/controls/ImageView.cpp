#include "platform/ui/controls/ImageView.h"

#include <algorithm>

#include "platform/ui/graphics/DisplayList.h"

namespace vl::ui {

ImageView::ImageView(const Rect& frame) : Control(frame) {}

void ImageView::setImage(ImageRef image) {
  if (image == image_) return;
  image_ = std::move(image);
  setNeedsDisplay(true);
}

void ImageView::setImageScaling(ImageScaling s) {
  scaling_ = s;
  setNeedsDisplay(true);
}

void ImageView::setContentTintColor(std::optional<Color> c) {
  tint_ = std::move(c);
  setNeedsDisplay(true);
}

Rect ImageView::imageRect() const {
  if (!image_ || !image_->isValid()) return {};
  const Rect b = bounds();
  Size is = image_->size();
  Size s = is;
  switch (scaling_) {
    case ImageScaling::AxesIndependently:
      return b;
    case ImageScaling::None:
      break;
    case ImageScaling::ProportionallyDown:
    case ImageScaling::ProportionallyUpOrDown: {
      double factor = std::min(b.width() / is.width, b.height() / is.height);
      if (scaling_ == ImageScaling::ProportionallyDown) factor = std::min(factor, 1.0);
      s = {is.width * factor, is.height * factor};
      break;
    }
  }
  return {b.minX() + (b.width() - s.width) / 2, b.minY() + (b.height() - s.height) / 2, s.width, s.height};
}

Size ImageView::intrinsicContentSize() const { return image_ ? image_->size() : Size{}; }

void ImageView::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  Rect r = imageRect();
  if (!ctx || r.isEmpty()) return;
  bool clip = scaling_ == ImageScaling::None && !bounds().contains(r);
  if (clip) ctx->pushClip(BezierPath::rect(bounds()));
  ctx->drawImage(image_, r, CompositingOperation::SourceOver, isEnabled() ? 1 : 0.5);
  if (tint_) {
    // A tinted image shows as the tint through the image's shape.
    DrawCommand c;
    c.kind = DrawCommand::Kind::FillRect;
    c.rect = r;
    c.color = *tint_;
    c.image = image_;
    c.operation = CompositingOperation::SourceIn;
    ctx->record(c);
  }
  if (clip) ctx->popClip();
}

}  // namespace vl::ui
