#include "platform/ui/view/TextLayer.h"

#include "platform/ui/graphics/DisplayList.h"

namespace vl::ui {

void TextLayer::setFontSize(double s) {
  if (!(s > 0)) s = 0;
  if (s != fontSize_) willChange("fontSize", fontSize_, s);
  fontSize_ = s;
}

void TextLayer::setForegroundColor(std::optional<Color> c) {
  if (c != foregroundColor_) {
    willChange("foregroundColor", foregroundColor_.value_or(Color::clear()), c.value_or(Color::clear()));
  }
  foregroundColor_ = std::move(c);
}

std::optional<AnimValue> TextLayer::valueForKeyPath(const std::string& k) const {
  if (k == "foregroundColor") return foregroundColor_.value_or(Color::clear());
  if (k == "fontSize") return fontSize_;
  return Layer::valueForKeyPath(k);
}

bool TextLayer::setValueForKeyPath(const std::string& k, const AnimValue& v) {
  const Color* c = std::get_if<Color>(&v);
  const double* d = std::get_if<double>(&v);
  if (k == "foregroundColor" && c)
    setForegroundColor(*c);
  else if (k == "fontSize" && d)
    setFontSize(*d);
  else
    return Layer::setValueForKeyPath(k, v);
  return true;
}

void TextLayer::drawLayerContent(GraphicsContext& ctx) const {
  if (string_.empty()) return;
  Color color = std::get<Color>(*presentationValueForKeyPath("foregroundColor"));
  double size = std::get<double>(*presentationValueForKeyPath("fontSize"));
  if (color.alpha <= 0 || size <= 0) return;
  ctx.drawText(string_, {bounds().origin, presentationSize()}, Font(font_.family(), size, font_.weight()),
               color);
}

}  // namespace vl::ui
