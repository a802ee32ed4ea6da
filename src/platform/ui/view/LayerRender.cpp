// Layer: recording a layer tree into a display list.
#include <algorithm>

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/Layer.h"

namespace vl::ui {

Rect contentsRect(const Rect& bounds, Size imageSize, ContentsGravity gravity, bool flipped) {
  Rect b = bounds.standardized();
  double w = imageSize.width, h = imageSize.height;
  if (gravity == ContentsGravity::Resize || w <= 0 || h <= 0) return b;
  if (gravity == ContentsGravity::ResizeAspect || gravity == ContentsGravity::ResizeAspectFill) {
    double sx = b.width() / w, sy = b.height() / h;
    double s = gravity == ContentsGravity::ResizeAspect ? std::min(sx, sy) : std::max(sx, sy);
    w *= s;
    h *= s;
    return {b.midX() - w / 2, b.midY() - h / 2, w, h};
  }
  double x = b.midX() - w / 2;
  double y = b.midY() - h / 2;
  // "Top" is the maximum-y edge, which a flipped layer shows at its minimum y.
  double top = flipped ? b.minY() : b.maxY() - h;
  double bottom = flipped ? b.maxY() - h : b.minY();
  switch (gravity) {
    case ContentsGravity::Top:
      y = top;
      break;
    case ContentsGravity::Bottom:
      y = bottom;
      break;
    case ContentsGravity::Left:
      x = b.minX();
      break;
    case ContentsGravity::Right:
      x = b.maxX() - w;
      break;
    case ContentsGravity::TopLeft:
      x = b.minX();
      y = top;
      break;
    case ContentsGravity::TopRight:
      x = b.maxX() - w;
      y = top;
      break;
    case ContentsGravity::BottomLeft:
      x = b.minX();
      y = bottom;
      break;
    case ContentsGravity::BottomRight:
      x = b.maxX() - w;
      y = bottom;
      break;
    default:
      break;
  }
  return {x, y, w, h};
}

namespace {

// Maps a sublayer's coordinates into its superlayer's. Sublayers share their superlayer's orientation.
Transform sublayerTransform(const Layer& sub) {
  Point p = sub.presentationPosition();
  return {p.x - sub.bounds().origin.x, p.y - sub.bounds().origin.y, 1};
}

}  // namespace

void Layer::render(GraphicsContext& ctx, const std::function<void()>& drawContent,
                   const std::function<void()>& drawAbove) const {
  if (hidden_) return;
  ctx.save();
  ctx.setLayer(this);
  ctx.multiplyAlpha(presentationOpacity());
  Rect box{bounds_.origin, presentationSize()};
  double radius = std::get<double>(*presentationValueForKeyPath("cornerRadius"));
  bool rounded = radius > 0 && (maskedCorners_ & AllCorners) != 0;
  BezierPath shape = outline();

  if (shadowOpacity_ > 0 && shadowColor_) {
    DrawCommand shadow;
    shadow.kind = DrawCommand::Kind::Shadow;
    shadow.path = shadowPath_ ? *shadowPath_ : shape;
    shadow.rect = shadow.path.controlPointBounds();
    shadow.color = *shadowColor_;
    shadow.offset = shadowOffset_;
    shadow.radius = shadowRadius_;
    shadow.alpha = std::get<double>(*presentationValueForKeyPath("shadowOpacity"));
    ctx.record(std::move(shadow));
  }
  if (backgroundColor_ || !animations_.empty()) {
    Color bg = std::get<Color>(*presentationValueForKeyPath("backgroundColor"));
    if (bg.alpha > 0) {
      if (rounded) {
        ctx.fillPath(shape, bg);
      } else {
        ctx.fillRect(box, bg);
      }
    }
  }
  if (contents_)
    ctx.drawImage(contents_, contentsRect(box, contents_->size(), contentsGravity_, geometryFlipped_));
  if (drawContent) {
    ctx.setLayer(nullptr);
    drawContent();
    ctx.setLayer(this);
  }
  drawLayerContent(ctx);

  int clips = 0;
  if (masksToBounds_) {
    ctx.pushClip(shape);
    ++clips;
  }
  if (mask_) {
    ctx.pushClip(mask_->shapeForMasking().transformed(sublayerTransform(*mask_)));
    ++clips;
  }
  for (const auto& sub : std::vector<std::shared_ptr<Layer>>(sublayers_)) {
    ctx.save();
    ctx.concat(sublayerTransform(*sub));
    sub->render(ctx);
    ctx.restore();
  }
  if (drawAbove) {
    ctx.setLayer(nullptr);
    drawAbove();
    ctx.setLayer(this);
  }
  while (clips-- > 0) ctx.popClip();

  double width = std::get<double>(*presentationValueForKeyPath("borderWidth"));
  if (width > 0) {
    Color border = std::get<Color>(*presentationValueForKeyPath("borderColor"));
    if (border.alpha > 0) {
      // The border lies inside the bounds and follows the rounded corners.
      BezierPath stroke = BezierPath::roundedRectWithCorners(
          box.insetBy(width / 2, width / 2), std::max(0.0, radius - width / 2), maskedCorners_);
      stroke.setLineWidth(width);
      ctx.strokePath(stroke, border);
    }
  }
  ctx.restore();
}

}  // namespace vl::ui
