#pragma once

#include <memory>
#include <string>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/view/View.h"
#include "ui/PassthroughAndArrowCursorTextView.h"

namespace vl {

// A one-line text chip on a rounded background that always fits its text: setting the text makes the
// chip 10 points wider than the text and keeps its height. Its colours are plain colours that the owner
// resolves (and resolves again on a theme change). Clicks go to the superview.
class RoundTextView : public ui::View {
 public:
  static constexpr double kTextHeight = 20;
  static constexpr double kPadding = 10;

  explicit RoundTextView(const ui::Rect& frame = {});
  static std::shared_ptr<RoundTextView> create(const ui::Rect& frame = {}) {
    return std::make_shared<RoundTextView>(frame);
  }

  const std::shared_ptr<PassthroughAndArrowCursorTextView>& innerTextView() const { return inner_; }

  void setText(const std::string& text);
  const ui::Font& font() const { return font_; }
  void setFont(const ui::Font& font);
  const ui::Color& textColor() const { return textColor_; }
  void setTextColor(const ui::Color& color);
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double radius);
  const ui::Color& roundBackgroundColor() const { return roundBackgroundColor_; }
  void setRoundBackgroundColor(const ui::Color& color);

  // Only a change through setFrame fits the text view to the bounds again; setText sizes it itself.
  void setFrame(const ui::Rect& frame) override;
  void mouseDown(const ui::Event& event) override;

 private:
  ui::Color textColor_ = ui::Color::black();
  double cornerRadius_ = 0;
  ui::Color roundBackgroundColor_ = ui::Color::clear();
  ui::Font font_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> inner_;
};

}  // namespace vl
