#include "ui/controls/Button3.h"

#include "theme/VLThemeAttributedString.h"
#include "ui/controls/ButtonStates.h"

namespace vl {

namespace {

constexpr double kTitleHeight = 18;

}  // namespace

// --- inner button ---------------------------------------------------------------------------------------

void InnerPushButton::mouseDown(const ui::Event& event) {
  if (auto responder = mouseResponser()) return responder->mouseDown(event);
  ui::Button::mouseDown(event);
}

void InnerPushButton::mouseDragged(const ui::Event& event) {
  if (auto responder = mouseResponser()) return responder->mouseDragged(event);
  ui::Button::mouseDragged(event);
}

void InnerPushButton::mouseUp(const ui::Event& event) {
  if (auto responder = mouseResponser()) return responder->mouseUp(event);
  ui::Button::mouseUp(event);
}

// --- Button3 --------------------------------------------------------------------------------------------

Button3::Button3(const ui::Rect& frame) : VLThemed<ui::View>(frame) {
  setWantsLayer(true);
  titleView_ = InnerPushButton::create();
  titleView_->setBordered(false);
  titleView_->setButtonType(ui::ButtonType::MomentaryChange);
  titleView_->setWantsLayer(true);
  titleView_->layer()->setBackgroundColor(ui::Color::clear());
  addSubview(titleView_);
  themeManager().nothing();
}

void Button3::setTitle(const std::string& title) { titleView_->setTitle(title); }

void Button3::setTitleColorAsset(const AssetKey& key) {
  ui::AttributedString text(titleView_->title());
  if (key) addAttribute(text, ui::TextAttribute::ForegroundColor, *key, Range(0, text.length()));
  titleView_->setAttributedTitle(text);
}

void Button3::applyLook(const AssetKey& text, const AssetKey& background, const AssetKey& border) {
  setTitleColorAsset(text);
  vl::setBackgroundColorAssetKey(*layer(), background);
  vl::setBorderColorAssetKey(*layer(), border);
}

void Button3::setHighlighted(bool highlighted) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  if (highlighted)
    applyLook(textHighlightedKey_, backgroundHighlightedKey_, borderHighlightedKey_);
  else
    applyLook(textKey_, backgroundKey_, borderKey_);
}

void Button3::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (enabled)
    applyLook(textKey_, backgroundKey_, borderKey_);
  else
    applyLook(textDisabledKey_, backgroundDisabledKey_, borderDisabledKey_);
  titleView_->setEnabled(enabled);
}

void Button3::setMouseResponder(const std::shared_ptr<ui::Responder>& responder) {
  titleView_->setMouseResponser(responder);
}

void Button3::setKeyEquivalent(const std::string& key, std::uint64_t modifierMask) {
  titleView_->setKeyEquivalent(key);
  titleView_->setKeyEquivalentModifierMask(modifierMask);
}

// The title of the state the button is in: a chosen (highlighted) button's title re-coloured with the
// normal key would stand on the highlighted fill in the wrong colour after every change of look.
void Button3::lightOrDarkChanged() {
  // The inner button's flag is the state shown: a button that was never told is enabled.
  if (!titleView_->isEnabled()) {
    setTitleColorAsset(textDisabledKey_ ? textDisabledKey_ : textKey_);
  } else if (highlighted_) {
    setTitleColorAsset(textHighlightedKey_ ? textHighlightedKey_ : textKey_);
  } else {
    setTitleColorAsset(textKey_);
  }
}

void Button3::viewWillMoveToSuperview(ui::View* newSuperview) {
  VLThemed<ui::View>::viewWillMoveToSuperview(newSuperview);
  addHoverTrackingArea(*this, trackingAreaAdded_);
  setTitleColorAsset(textKey_);
  fillEmptyStateKeys(textKey_, textHighlightedKey_, textSelectedKey_, textDisabledKey_);
  fillEmptyStateKeys(backgroundKey_, backgroundHighlightedKey_, backgroundSelectedKey_,
                     backgroundDisabledKey_);
  fillEmptyStateKeys(borderKey_, borderHighlightedKey_, borderSelectedKey_, borderDisabledKey_);
  titleView_->setTarget(target_.lock());
  titleView_->setAction(action_);
  if (font_) titleView_->setFont(*font_);
  titleView_->setFrame({0, (frame().height() - kTitleHeight) * 0.5, frame().width(), kTitleHeight});
  layer()->setCornerRadius(radius_);
  vl::setBorderColorAssetKey(*layer(), borderKey_);
  layer()->setBorderWidth(borderWidth_);
  vl::setBackgroundColorAssetKey(*layer(), backgroundKey_);
}

}  // namespace vl
