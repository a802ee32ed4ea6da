#include "ui/controls/Button.h"

#include "core/TextHelper.h"
#include "platform/ui/window/Application.h"
#include "ui/controls/ButtonStates.h"

namespace vl {

Button::Button(const ui::Rect& frame) : ui::View(frame) {
  setWantsLayer(true);
  titleView_ = PassthroughTextView::create();
  titleView_->setMaximumNumberOfLines(1);
  titleView_->setString("");
  addSubview(titleView_);
}

void Button::apply(const OptColor& text, const OptColor& background, const OptColor& border) {
  if (text) titleView_->setTextColor(*text);
  layer()->setBackgroundColor(background);
  layer()->setBorderColor(border);
}

void Button::viewWillMoveToSuperview(ui::View* newSuperview) {
  ui::View::viewWillMoveToSuperview(newSuperview);
  if (textColor_) titleView_->setTextColor(*textColor_);
  if (!textHighlightedColor_) textHighlightedColor_ = textColor_;
  if (!backgroundHighlightedColor_) backgroundHighlightedColor_ = backgroundColor_;
  if (!borderHighlightedColor_) borderHighlightedColor_ = borderColor_;
  titleView_->setFrame(bounds());
  titleView_->setFont(font_);
  layer()->setCornerRadius(radius_);
  layer()->setBorderColor(borderColor_);
  layer()->setBorderWidth(borderWidth_);
  layer()->setBackgroundColor(backgroundColor_);
}

void Button::updateTrackingAreas() { addHoverTrackingArea(*this, trackingAreaAdded_); }

void Button::mouseEntered(const ui::Event&) {
  apply(textHighlightedColor_, backgroundHighlightedColor_, borderHighlightedColor_);
}

void Button::mouseExited(const ui::Event&) { apply(textColor_, backgroundColor_, borderColor_); }

void Button::mouseDown(const ui::Event&) {
  std::shared_ptr<ui::ActionTarget> target = target_.lock();
  if (target && !action_.empty() && target->respondsToAction(action_)) {
    std::shared_ptr<ui::View> keep = self();
    ui::Application::shared().sendAction(action_, target, this);
  }
  apply(textColor_, backgroundColor_, borderColor_);
}

double Button::fitWithTitle() {
  const ui::Font& f = titleView_->font();
  double w = TextHelper::widthOfString(title(), TextFont{f.family(), f.pointSize(), f.isBold()}) + 12;
  titleView_->setFrameSize({w, frame().height()});
  setFrameSize({w, frame().height()});
  return w;
}

}  // namespace vl
