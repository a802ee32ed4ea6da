#include "ui/controls/SYFlatButton.h"

#include <cmath>

#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/Cursor.h"
#include "platform/ui/view/Transaction.h"
#include "platform/ui/window/Application.h"

namespace vl {

namespace {

using ui::ImagePosition;

struct Placement {
  std::optional<ui::Point> image;
  std::optional<ui::Point> title;
};

// Where image and title go in a button of size W x H (y down): w x h the image, tw x th the title, s the
// spacing. With `hug` image and title are centred together; without, they keep to the edges.
Placement place(ImagePosition position, bool hug, ui::Size button, ui::Size image, ui::Size title, double s) {
  const double W = button.width, H = button.height, w = image.width, h = image.height;
  const double tw = title.width, th = title.height;
  switch (position) {
    case ImagePosition::ImageOnly:
      return {ui::Point{(W - w) / 2, (H - h) / 2}, std::nullopt};
    case ImagePosition::ImageOverlaps:
      return {ui::Point{(W - w) / 2, (H - h) / 2}, ui::Point{(W - tw) / 2, (H - th) / 2}};
    case ImagePosition::NoImage:
      return {std::nullopt, ui::Point{(W - tw) / 2, (H - th) / 2}};
    case ImagePosition::ImageLeft:
    case ImagePosition::ImageLeading:
      return {ui::Point{hug ? (W - w - tw) / 2 - s : s, (H - h) / 2},
              ui::Point{hug ? (W + w - tw) / 2 + s : W - tw - s, (H - th) / 2}};
    case ImagePosition::ImageRight:
    case ImagePosition::ImageTrailing:
      return {ui::Point{hug ? (W - w + tw) / 2 + s : W - w - s, (H - h) / 2},
              ui::Point{hug ? (W - w - tw) / 2 - s : s, (H - th) / 2}};
    case ImagePosition::ImageBelow:
      return {ui::Point{(W - w) / 2, hug ? (H - h + th) / 2 + s : H - h - s},
              ui::Point{(W - tw) / 2, hug ? (H - h - th) / 2 - s : s}};
    case ImagePosition::ImageAbove:
      return {ui::Point{(W - w) / 2, hug ? (H - h - th) / 2 - s : s},
              ui::Point{(W - tw) / 2, hug ? (H + h - th) / 2 + s : H - th - s}};
  }
  return {ui::Point{0, 0}, ui::Point{0, 0}};
}

ui::Point rounded(ui::Point p) { return {std::round(p.x), std::round(p.y)}; }

std::optional<ui::Color> colorAt(const ui::Layer& layer, const std::string& keyPath) {
  if (keyPath == "backgroundColor") return layer.backgroundColor();
  if (keyPath == "borderColor") return layer.borderColor();
  if (auto* text = dynamic_cast<const ui::TextLayer*>(&layer)) return text->foregroundColor();
  return std::nullopt;
}

void storeColor(ui::Layer& layer, const std::string& keyPath, const std::optional<ui::Color>& color) {
  if (keyPath == "backgroundColor") {
    layer.setBackgroundColor(color);
  } else if (keyPath == "borderColor") {
    layer.setBorderColor(color);
  } else if (auto* text = dynamic_cast<ui::TextLayer*>(&layer)) {
    text->setForegroundColor(color);
  }
}

}  // namespace

SYFlatButton::SYFlatButton(const ui::Rect& frame) : VLThemed<ui::Button>(frame) {
  setup();
  setupImageLayer();
  setupTitleLayer();
}

void SYFlatButton::setup() {
  // The placement table measures from the top, as the layers of a button do.
  setFlipped(true);
  setBordered(false);
  setWantsLayer(true);
  layer()->setMasksToBounds(true);
  layer()->setBackgroundColor(ui::Color::rgba(1, 0, 0));
  setAlphaValue(isEnabled() ? 1.0 : 0.5);
}

const std::shared_ptr<ui::ShapeLayer>& SYFlatButton::imageLayer() {
  if (!imageLayer_) {
    imageLayer_ = ui::ShapeLayer::create();
    // The image shows in the layer's background colour through its mask; the shape itself draws nothing.
    imageLayer_->setFillColor(std::nullopt);
  }
  return imageLayer_;
}

const std::shared_ptr<ui::TextLayer>& SYFlatButton::titleLayer() {
  if (!titleLayer_) titleLayer_ = ui::TextLayer::create();
  return titleLayer_;
}

void SYFlatButton::setupImageLayer() {
  const ui::ImageRef& img = image();
  if (!img || imagePosition() == ImagePosition::NoImage) {
    if (imageLayer_) imageLayer_->removeFromSuperlayer();
    return;
  }
  ui::Size titleSize = title().empty() ? ui::Size{} : ui::TextMetrics::sizeOfString(title(), font());
  Placement at = place(imagePosition(), imageHugsTitle(), frame().size, img->size(), titleSize, spacing_);
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  const auto& layerOfImage = imageLayer();
  layerOfImage->setFrame(bounds());
  auto mask = ui::Layer::create();
  mask->setFrame({rounded(at.image.value_or(ui::Point{})), img->size()});
  mask->setContents(img);
  layerOfImage->setMask(mask);
  if (layerOfImage->superlayer() != layer().get()) layer()->addSublayer(layerOfImage);
  ui::Transaction::commit();
}

void SYFlatButton::setupTitleLayer() {
  if (title().empty() || imagePosition() == ImagePosition::ImageOnly) {
    if (titleLayer_) titleLayer_->removeFromSuperlayer();
    return;
  }
  ui::Size titleSize = ui::TextMetrics::sizeOfString(title(), font());
  ui::Size imageSize = image() ? image()->size() : ui::Size{};
  ui::ImagePosition position = image() ? imagePosition() : ImagePosition::NoImage;
  Placement at = place(position, imageHugsTitle(), frame().size, imageSize, titleSize, spacing_);
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  const auto& text = titleLayer();
  text->setFrame(
      {rounded(at.title.value_or(ui::Point{})), {std::ceil(titleSize.width), std::ceil(titleSize.height)}});
  text->setString(title());
  text->setFont(font());
  text->setFontSize(font().pointSize());
  if (text->superlayer() != layer().get()) layer()->addSublayer(text);
  ui::Transaction::commit();
}

// --- properties -----------------------------------------------------------------------------------------

void SYFlatButton::setMomentary(bool momentary) {
  momentary_ = momentary;
  animateColorWithState(state());
}

void SYFlatButton::setCornerRadius(double radius) {
  cornerRadius_ = radius;
  layer()->setCornerRadius(radius);
}

void SYFlatButton::setBorderWidth(double width) {
  borderWidth_ = width;
  layer()->setBorderWidth(width);
}

void SYFlatButton::setSpacing(double spacing) {
  spacing_ = spacing;
  setupImageLayer();
  setupTitleLayer();
}

void SYFlatButton::setColor(OptColor& slot, OptColor color) {
  slot = std::move(color);
  animateColorWithState(state());
}

SYFlatButton::OptColor& SYFlatButton::slotOf(ColorRole role) {
  switch (role) {
    case ColorRole::BorderNormal:
      return borderNormal_;
    case ColorRole::BorderHighlight:
      return borderHighlight_;
    case ColorRole::BackgroundNormal:
      return backgroundNormal_;
    case ColorRole::BackgroundHighlight:
      return backgroundHighlight_;
    case ColorRole::ImageNormal:
      return imageNormal_;
    case ColorRole::ImageHighlight:
      return imageHighlight_;
    case ColorRole::TitleNormal:
      return titleNormal_;
    case ColorRole::TitleHighlight:
      break;
  }
  return titleHighlight_;
}

void SYFlatButton::setColorAssetKey(ColorRole role, AssetKey key) {
  if (!key) {
    keys_.erase(role);
    return;
  }
  themeManager().nothing();
  keys_[role] = *key;
  lightOrDarkChanged();
}

void SYFlatButton::resolveKeys() {
  for (const auto& [role, key] : keys_) slotOf(role) = VLThemeManager::shared().colorForKey(key);
}

void SYFlatButton::lightOrDarkChanged() {
  resolveKeys();
  animateColorWithState(state());
}

void SYFlatButton::setFrameSize(ui::Size size) {
  ui::Button::setFrameSize(size);
  setupTitleLayer();
}

void SYFlatButton::setFont(const ui::Font& font) {
  ui::Button::setFont(font);
  setupTitleLayer();
}

void SYFlatButton::setTitle(const std::string& title) {
  ui::Button::setTitle(title);
  setupTitleLayer();
}

void SYFlatButton::setImage(ui::ImageRef image) {
  ui::Button::setImage(std::move(image));
  setupImageLayer();
}

void SYFlatButton::setImagePosition(ui::ImagePosition position) {
  ui::Button::setImagePosition(position);
  setupImageLayer();
  setupTitleLayer();
}

void SYFlatButton::setEnabled(bool enabled) { ui::Button::setEnabled(enabled); }

// --- colours --------------------------------------------------------------------------------------------

void SYFlatButton::setState(int state) {
  ui::Button::setState(state);
  animateColorWithState(state);
}

void SYFlatButton::setStateWithoutAnimation(int state) {
  ui::Button::setState(state);
  removeAllAnimations();
  bool on = isOn(state);
  animateLayer(*layer(), on ? borderHighlight_ : borderNormal_, "borderColor", 0);
  animateLayer(*layer(), on ? backgroundHighlight_ : backgroundNormal_, "backgroundColor", 0);
  animateLayer(*imageLayer(), on ? imageHighlight_ : imageNormal_, "backgroundColor", 0);
  animateLayer(*titleLayer(), on ? titleHighlight_ : titleNormal_, "foregroundColor", 0);
}

void SYFlatButton::removeAllAnimations() {
  layer()->removeAllAnimations();
  for (const auto& sub : std::vector<std::shared_ptr<ui::Layer>>(layer()->sublayers()))
    sub->removeAllAnimations();
}

void SYFlatButton::animateColorWithState(int state) {
  removeAllAnimations();
  bool on = isOn(state);
  double duration = on ? onAnimateDuration_ : offAnimateDuration_;
  animateLayer(*layer(), on ? borderHighlight_ : borderNormal_, "borderColor", duration);
  animateLayer(*layer(), on ? backgroundHighlight_ : backgroundNormal_, "backgroundColor", duration);
  animateLayer(*imageLayer(), on ? imageHighlight_ : imageNormal_, "backgroundColor", duration);
  animateLayer(*titleLayer(), on ? titleHighlight_ : titleNormal_, "foregroundColor", duration);
}

void SYFlatButton::animateLayer(ui::Layer& layer, const OptColor& color, const std::string& keyPath,
                                double duration) {
  OptColor current = colorAt(layer, keyPath);
  if (current == color) return;
  if (duration > 0) {
    auto animation = ui::BasicAnimation::withKeyPath(keyPath);
    animation->setFromValue(layer.presentationValueForKeyPath(keyPath));
    animation->setToValue(color.value_or(ui::Color::clear()));
    animation->setDuration(duration);
    animation->setFillMode(ui::FillMode::Forwards);
    animation->setRemovedOnCompletion(false);
    layer.addAnimation(animation, keyPath);
  }
  // The explicit animation above is the only one: a duration of 0 means at once.
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  storeColor(layer, keyPath, color);
  ui::Transaction::commit();
}

// --- mouse ----------------------------------------------------------------------------------------------

ui::View* SYFlatButton::hitTest(ui::Point pointInSuperview) {
  if (!isEnabled()) return nullptr;
  return ui::Button::hitTest(pointInSuperview);
}

void SYFlatButton::flipState() {
  setState(isOn(state()) ? ui::ControlStateValue::Off : ui::ControlStateValue::On);
}

void SYFlatButton::mouseDown(const ui::Event&) {
  if (!isEnabled()) return;
  mouseDown_ = true;
  flipState();
}

void SYFlatButton::mouseEntered(const ui::Event&) {
  if (mouseDown_) flipState();
  ui::Cursor::arrow().set();
}

void SYFlatButton::mouseExited(const ui::Event&) {
  if (mouseDown_) {
    mouseDown_ = false;
    flipState();
  }
  ui::Cursor::iBeam().set();
}

void SYFlatButton::mouseUp(const ui::Event&) {
  if (!mouseDown_) return;
  mouseDown_ = false;
  if (momentary_) flipState();
  std::shared_ptr<ui::View> keep = self();
  ui::Application::shared().sendAction(action(), target(), this);
}

void SYFlatButton::updateTrackingAreas() {
  if (tracking_) return;
  auto me = self();
  if (!me) return;
  tracking_ = true;
  // Exits must arrive while the button is held, so that leaving it undoes the press before the release.
  addTrackingArea(
      ui::TrackingArea::create(bounds(),
                               ui::TrackingArea::MouseEnteredAndExited | ui::TrackingArea::ActiveAlways |
                                   ui::TrackingArea::InVisibleRect | ui::TrackingArea::EnabledDuringMouseDrag,
                               me));
}

}  // namespace vl
