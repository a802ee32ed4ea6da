#include "ui/controls/ButtonTextView.h"

#include "theme/VLThemeAttributedString.h"

namespace vl {

ButtonTextView::ButtonTextView(const ui::Rect& frame) : VLThemed<ui::Button>(frame) {
  setWantsLayer(true);
  setBordered(false);
  setFocusRingType(ui::FocusRingType::None);
  setButtonType(ui::ButtonType::MomentaryChange);
  setAction(kClickAction);
  themeManager().nothing();
}

std::shared_ptr<ButtonTextView> ButtonTextView::create(const ui::Rect& frame) {
  auto label = std::make_shared<ButtonTextView>(frame);
  label->setTarget(label);
  return label;
}

void ButtonTextView::setTextColor(const ui::Color& color) {
  holdTextColor_ = color;
  ui::TextAttributes attributes;
  attributes.foregroundColor = color;
  setAttributedTitle(ui::AttributedString(title(), attributes));
}

void ButtonTextView::setTextColorAssetKey(const AssetKey& key) {
  holdTextColorAssetKey_ = key;
  ui::AttributedString text(title());
  if (key) addAttribute(text, ui::TextAttribute::ForegroundColor, *key, Range(0, text.length()));
  setAttributedTitle(text);
}

void ButtonTextView::setBackgroundColor(const std::optional<ui::Color>& color) {
  layer()->setBackgroundColor(color);
}

void ButtonTextView::setBackgroundColorAssetKey(const AssetKey& key) {
  holdBackgroundColorAssetKey_ = key;
  vl::setBackgroundColorAssetKey(*layer(), key);
}

void ButtonTextView::click() { setTextColorAssetKey(holdTextColorAssetKey_); }

void ButtonTextView::lightOrDarkChanged() {
  setBackgroundColorAssetKey(holdBackgroundColorAssetKey_);
  setTextColorAssetKey(holdTextColorAssetKey_);
}

bool ButtonTextView::respondsToAction(const std::string& action) const {
  return action == kClickAction || VLThemed<ui::Button>::respondsToAction(action);
}

bool ButtonTextView::performAction(const std::string& action, ui::ActionTarget* sender) {
  if (action != kClickAction) return VLThemed<ui::Button>::performAction(action, sender);
  click();
  return true;
}

}  // namespace vl
