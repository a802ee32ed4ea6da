#include "ui/RoundTextView.h"

#include "core/TextHelper.h"

namespace vl {

RoundTextView::RoundTextView(const ui::Rect& frame) : ui::View(frame) {
  setWantsLayer(true);
  inner_ = PassthroughAndArrowCursorTextView::create(bounds());
  inner_->setSelectable(false);
  inner_->setEditable(false);
  inner_->setMaximumNumberOfLines(1);
  inner_->setTextContainerInset({0, 0});
  inner_->setDrawsBackground(false);
  font_ = inner_->font();
  addSubview(inner_);
}

void RoundTextView::setText(const std::string& text) {
  inner_->setString(text);
  const double w =
      TextHelper::widthOfString(text, TextFont{font_.family(), font_.pointSize(), font_.isBold()});
  const double height = frame().height();
  inner_->setFrameSize({w + kPadding, kTextHeight});
  inner_->setFrameOrigin({0, (height - kTextHeight) * 0.5});
  setFrameSize({w + kPadding, height});
}

void RoundTextView::setFont(const ui::Font& font) {
  font_ = font;
  inner_->setFont(font);
}

void RoundTextView::setTextColor(const ui::Color& color) {
  textColor_ = color;
  inner_->setTextColor(color);
}

void RoundTextView::setCornerRadius(double radius) {
  cornerRadius_ = radius;
  layer()->setCornerRadius(radius);
}

void RoundTextView::setRoundBackgroundColor(const ui::Color& color) {
  roundBackgroundColor_ = color;
  layer()->setBackgroundColor(color);
}

void RoundTextView::setFrame(const ui::Rect& frame) {
  ui::View::setFrame(frame);
  inner_->setFrame(bounds());
}

void RoundTextView::mouseDown(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseDown(event);
}

}  // namespace vl
