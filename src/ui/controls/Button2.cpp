#include "ui/controls/Button2.h"

#include "core/TextHelper.h"
#include "platform/ui/window/Application.h"
#include "theme/VLThemeImages.h"
#include "ui/controls/ButtonStates.h"

namespace vl {

namespace {

constexpr double kTitleHeight = 18;

}  // namespace

Button2::Button2(const ui::Rect& frame) : Button2(frame, true) {}

Button2::Button2(const ui::Rect& frame, bool makeTitleView) : ui::View(frame) {
  setWantsLayer(true);
  skipMouseDown_ = false;
  if (makeTitleView) titleView();
  enabled_ = true;
}

const std::shared_ptr<ui::TextView>& Button2::titleView() {
  if (!titleView_) {
    auto view = PassthroughAndArrowCursorTextView::create();
    view->setEditable(false);
    view->setSelectable(false);
    view->setMaximumNumberOfLines(1);
    view->setDrawsBackground(false);
    view->setString("");
    titleView_ = view;
    addSubview(titleView_);
  }
  return titleView_;
}

const std::shared_ptr<ui::ImageView>& Button2::imageView() {
  if (!imageView_) {
    imageView_ = PassthroughImageView::create(bounds());
    addSubview(imageView_);
  }
  return imageView_;
}

const std::shared_ptr<ui::ImageView>& Button2::rightImageView() {
  if (!rightImageView_) {
    double w = frame().width(), h = frame().height();
    rightImageView_ = PassthroughImageView::create({w - h, 0, h, h});
    rightImageView_->setWantsLayer(true);
    rightImageView_->layer()->setCornerRadius(radius_);
    setBackgroundColorAssetKey(*rightImageView_->layer(), std::string("accentColor"));
    // Only the right-hand corners: the image closes off the button's rounded end.
    rightImageView_->layer()->setMaskedCorners(ui::MaxXMinYCorner | ui::MaxXMaxYCorner);
    addSubview(rightImageView_);
  }
  return rightImageView_;
}

std::string Button2::title() const {
  ui::TextView* view = getTitleView();
  return view ? view->string() : std::string();
}

void Button2::setTitle(const std::string& title) {
  if (ui::TextView* view = getTitleView()) {
    view->setString(title);
  } else {
    titleView()->setString(title);
  }
}

void Button2::setAlignment(ui::TextAlignment alignment) {
  alignment_ = alignment;
  titleView()->setAlignment(alignment);
}

void Button2::setButtonBackgroundColorAssetKey(AssetKey key) {
  backgroundKey_ = std::move(key);
  vl::setBackgroundColorAssetKey(*layer(), backgroundKey_);
}

void Button2::setBorderColorAssetKey(AssetKey key) {
  borderKey_ = std::move(key);
  vl::setBorderColorAssetKey(*layer(), borderKey_);
}

void Button2::setImage(ui::ImageRef image) {
  if (image == image_) return;
  image_ = std::move(image);
  imageView()->setImage(image_);
}

void Button2::setRightImage(ui::ImageRef image) {
  if (image == rightImage_) return;
  rightImage_ = std::move(image);
  rightImageView()->setImage(rightImage_);
}

void Button2::setImageNamed(const std::string& name) { setImage(themeImageNamed(name)); }

void Button2::setRightImageNamed(const std::string& name) { setRightImage(themeImageNamed(name)); }

void Button2::setKeyEquivalent(std::string key, std::uint64_t modifierMask) {
  keyEquivalent_ = std::move(key);
  keyModifiers_ = modifierMask;
}

// --- states ---------------------------------------------------------------------------------------------

void Button2::applyLook(const AssetKey& text, const AssetKey& background, const AssetKey& border) {
  vl::setTextColorAssetKey(*titleView(), text);
  vl::setBackgroundColorAssetKey(*layer(), background);
  vl::setBorderColorAssetKey(*layer(), border);
}

void Button2::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (enabled)
    applyLook(textKey_, backgroundKey_, borderKey_);
  else
    applyLook(textDisabledKey_, backgroundDisabledKey_, borderDisabledKey_);
}

void Button2::setSelected(bool selected) {
  selected_ = selected;
  if (selected) {
    applyLook(textSelectedKey_, backgroundSelectedKey_, borderSelectedKey_);
    imageView()->setImage(selectedImage_);
    setTintColorAssetKey(*imageView(), std::string("accentColor"));
  } else {
    applyLook(textKey_, backgroundKey_, borderKey_);
    imageView()->setImage(image_);
    setTintColorAssetKey(*imageView(), std::string(alwaysAccentColor_ ? "accentColor" : "iconGray"));
  }
}

void Button2::setHighlighted(bool highlighted) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  if (highlighted) {
    vl::setBackgroundColorAssetKey(*layer(), backgroundHighlightedKey_);
    vl::setBorderColorAssetKey(*layer(), borderHighlightedKey_);
  } else {
    applyLook(textKey_, backgroundKey_, borderKey_);
  }
}

void Button2::fillStateKeys() {
  fillEmptyStateKeys(textKey_, textHighlightedKey_, textSelectedKey_, textDisabledKey_);
  fillEmptyStateKeys(backgroundKey_, backgroundHighlightedKey_, backgroundSelectedKey_,
                     backgroundDisabledKey_);
  fillEmptyStateKeys(borderKey_, borderHighlightedKey_, borderSelectedKey_, borderDisabledKey_);
}

void Button2::viewWillMoveToSuperview(ui::View* newSuperview) {
  ui::View::viewWillMoveToSuperview(newSuperview);
  vl::setTextColorAssetKey(*titleView(), textKey_);
  fillStateKeys();
  if (font_) titleView()->setFont(*font_);
  layoutTitle(kTitleHeight);
  // The normal look, whatever the flags say: joining a view starts afresh.
  layer()->setCornerRadius(radius_);
  vl::setBorderColorAssetKey(*layer(), borderKey_);
  layer()->setBorderWidth(borderWidth_);
  vl::setBackgroundColorAssetKey(*layer(), backgroundKey_);
}

// --- layout ---------------------------------------------------------------------------------------------

void Button2::layoutTitle(double height) {
  if (ui::TextView* view = getTitleView())
    view->setFrame({0, (frame().height() - height) * 0.5, frame().width(), height});
}

void Button2::setFrameSize(ui::Size size) {
  ui::View::setFrameSize(size);
  layoutTitle(kTitleHeight);
}

void Button2::setVerticalCenter(bool center) {
  verticalCenter_ = center;
  if (!center) return layoutTitle(kTitleHeight);
  ui::Font f = font_.value_or(ui::Font::systemFont(13));
  layoutTitle(TextHelper::heightOfString(title(), TextFont{f.family(), f.pointSize(), f.isBold()}));
}

double Button2::fitWithTitle() {
  const ui::Font& f = titleView()->font();
  double w = TextHelper::widthOfString(title(), TextFont{f.family(), f.pointSize(), f.isBold()}) + 12;
  titleView()->setFrameSize({w, frame().height()});
  setFrameSize({w, frame().height()});
  return w;
}

void Button2::resizeSubviewsWithOldSize(ui::Size oldSize) {
  ui::View::resizeSubviewsWithOldSize(oldSize);
  if (rightImage_) rightImageView()->setFrame({frame().width() - 25, 0, 25, frame().height()});
}

// --- mouse and keys -------------------------------------------------------------------------------------

void Button2::updateTrackingAreas() { addHoverTrackingArea(*this, trackingAreaAdded_); }

void Button2::mouseEntered(const ui::Event&) {
  if (!selected_ && enabled_) setHighlighted(true);
}

void Button2::mouseExited(const ui::Event&) {
  if (!selected_ && enabled_) setHighlighted(false);
}

void Button2::fire() {
  std::shared_ptr<ui::ActionTarget> target = target_.lock();
  if (!target || action_.empty() || skipMouseDown_ || !enabled_) return;
  if (!target->respondsToAction(action_)) return;
  // The hover look ends with the press; the flag stays, so only a fresh entry shows it again.
  if (!selected_) applyLook(textKey_, backgroundKey_, borderKey_);
  std::shared_ptr<ui::View> keep = self();
  ui::Application::shared().sendAction(action_, target, this);
}

void Button2::mouseDown(const ui::Event&) { fire(); }

bool Button2::performKeyEquivalent(const ui::Event& event) {
  constexpr std::uint64_t relevant = ui::ModifierFlags::Command | ui::ModifierFlags::Shift |
                                     ui::ModifierFlags::Option | ui::ModifierFlags::Control;
  if (!keyEquivalent_.empty() && event.type() == ui::EventType::KeyDown && !isHiddenOrHasHiddenAncestor() &&
      (event.modifierFlags() & relevant) == (keyModifiers_ & relevant) &&
      event.charactersIgnoringModifiers() == keyEquivalent_ && enabled_ && !skipMouseDown_) {
    fire();
    return true;
  }
  return ui::View::performKeyEquivalent(event);
}

}  // namespace vl
