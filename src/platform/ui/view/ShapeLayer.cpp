#include "platform/ui/view/ShapeLayer.h"

#include "platform/ui/graphics/DisplayList.h"

namespace vl::ui {

void ShapeLayer::setFillColor(std::optional<Color> c) {
  if (c != fillColor_)
    willChange("fillColor", fillColor_.value_or(Color::clear()), c.value_or(Color::clear()));
  fillColor_ = std::move(c);
}

void ShapeLayer::setStrokeColor(std::optional<Color> c) {
  if (c != strokeColor_)
    willChange("strokeColor", strokeColor_.value_or(Color::clear()), c.value_or(Color::clear()));
  strokeColor_ = std::move(c);
}

void ShapeLayer::setLineWidth(double w) {
  if (!(w >= 0)) w = 0;
  if (w != lineWidth_) willChange("lineWidth", lineWidth_, w);
  lineWidth_ = w;
}

std::optional<AnimValue> ShapeLayer::valueForKeyPath(const std::string& k) const {
  if (k == "fillColor") return fillColor_.value_or(Color::clear());
  if (k == "strokeColor") return strokeColor_.value_or(Color::clear());
  if (k == "lineWidth") return lineWidth_;
  return Layer::valueForKeyPath(k);
}

bool ShapeLayer::setValueForKeyPath(const std::string& k, const AnimValue& v) {
  const Color* c = std::get_if<Color>(&v);
  const double* d = std::get_if<double>(&v);
  if (k == "fillColor" && c)
    setFillColor(*c);
  else if (k == "strokeColor" && c)
    setStrokeColor(*c);
  else if (k == "lineWidth" && d)
    setLineWidth(*d);
  else
    return Layer::setValueForKeyPath(k, v);
  return true;
}

void ShapeLayer::drawLayerContent(GraphicsContext& ctx) const {
  if (path_.isEmpty()) return;
  Color fill = std::get<Color>(*presentationValueForKeyPath("fillColor"));
  if (fill.alpha > 0) ctx.fillPath(path_, fill);
  Color stroke = std::get<Color>(*presentationValueForKeyPath("strokeColor"));
  double width = std::get<double>(*presentationValueForKeyPath("lineWidth"));
  if (stroke.alpha > 0 && width > 0) {
    BezierPath p = path_;
    p.setLineWidth(width);
    ctx.strokePath(p, stroke);
  }
}

}  // namespace vl::ui
