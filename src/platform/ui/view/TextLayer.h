#pragma once

#include <optional>
#include <string>

#include "platform/ui/text/Font.h"
#include "platform/ui/text/ParagraphStyle.h"
#include "platform/ui/view/Layer.h"

namespace vl::ui {

// A layer that draws one string over its background, in its bounds. Adds the key paths
// "foregroundColor" and "fontSize".
class TextLayer : public Layer {
 public:
  static std::shared_ptr<TextLayer> create() { return std::make_shared<TextLayer>(); }

  const std::string& string() const { return string_; }
  void setString(std::string s) {
    string_ = std::move(s);
    changed();
  }
  const Font& font() const { return font_; }
  void setFont(const Font& f) {
    font_ = f;
    changed();
  }
  // The font's size is drawn at this size (36 by default, as the font is only a face).
  double fontSize() const { return fontSize_; }
  void setFontSize(double s);
  // White by default.
  const std::optional<Color>& foregroundColor() const { return foregroundColor_; }
  void setForegroundColor(std::optional<Color> c);
  TextAlignment alignment() const { return alignment_; }
  void setAlignment(TextAlignment a) {
    alignment_ = a;
    changed();
  }

  std::optional<AnimValue> valueForKeyPath(const std::string& keyPath) const override;
  bool setValueForKeyPath(const std::string& keyPath, const AnimValue& value) override;

 protected:
  void drawLayerContent(GraphicsContext& ctx) const override;

 private:
  std::string string_;
  Font font_;
  double fontSize_ = 36;
  std::optional<Color> foregroundColor_ = Color::whiteColor();
  TextAlignment alignment_ = TextAlignment::Natural;
  bool wrapped_ = false;
};

}  // namespace vl::ui
