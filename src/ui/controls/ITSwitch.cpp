#include "ui/controls/ITSwitch.h"

#include "platform/foundation/Log.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/view/Transaction.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"

namespace vl {

namespace {

constexpr ui::Color kDefaultTint = ui::Color::rgba(0.27, 0.86, 0.36);
constexpr ui::Color kDefaultDisabledBorder = ui::Color::white(0, 0.2);
// A faint black vanishes on a dark pane: there the off track is a light rim (3:1 against the panes of
// the dark themes) over a trace of fill, so the switch reads as a control before it is touched.
constexpr ui::Color kDarkDisabledBorder = ui::Color::white(1, 0.45);
constexpr ui::Color kDarkOffTrack = ui::Color::white(1, 0.08);
constexpr double kGoldenRatio = 1.6180340051651;
constexpr double kActiveKnobRatio = 1.38;

// Reads a bound value as on or off; anything but a boolean or a number is off.
bool boolOfBoundValue(const std::optional<Json>& value, const std::string& binding) {
  if (value && value->is_boolean()) return value->get<bool>();
  if (value && value->is_number()) return value->get<double>() != 0;
  logWarningf("ITSwitch: binding \"%s\" holds %s, shown as off", binding.c_str(),
              value ? value->type_name() : "nothing");
  return false;
}

}  // namespace

ITSwitch::ITSwitch(const ui::Rect& frame) : VLThemed<ui::Control>(frame) {
  // Subscribes to light/dark and theme changes before the first drawing, and starts in the theme's accent
  // colour rather than waiting for the first change: the platform's green shows only without one.
  themeManager().nothing();
  setUp();
  lightOrDarkChanged();
}

void ITSwitch::setUp() {
  ui::Control::setEnabled(true);
  setUpLayers();
}

void ITSwitch::setUpLayers() {
  setWantsLayer(true);
  layer()->setMasksToBounds(false);
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  backgroundLayer_ = ui::Layer::create();
  backgroundLayer_->setFrame(bounds());
  backgroundLayer_->setBorderWidth(1);
  layer()->addSublayer(backgroundLayer_);

  knobLayer_ = ui::Layer::create();
  knobLayer_->setFrame(rectForKnob());
  knobLayer_->setBackgroundColor(ui::Color::whiteColor());
  knobLayer_->setShadowColor(ui::Color::black());
  knobLayer_->setShadowOffset({0, -2});
  knobLayer_->setShadowRadius(1);
  knobLayer_->setShadowOpacity(0.3);
  layer()->addSublayer(knobLayer_);

  knobInsideLayer_ = ui::Layer::create();
  knobInsideLayer_->setFrame(knobLayer_->bounds());
  knobInsideLayer_->setBackgroundColor(ui::Color::whiteColor());
  knobInsideLayer_->setShadowColor(ui::Color::black());
  knobInsideLayer_->setShadowOffset({0, 0});
  knobInsideLayer_->setShadowRadius(1);
  knobInsideLayer_->setShadowOpacity(0.35);
  knobLayer_->addSublayer(knobInsideLayer_);
  ui::Transaction::commit();
  reloadLayerSize();
  reloadLayer();
}

// --- geometry and drawing -------------------------------------------------------------------------------

ui::Rect ITSwitch::rectForKnob() const {
  ui::Rect track = backgroundLayer_ ? backgroundLayer_->bounds() : bounds();
  double width = (track.width() - 2) / (active_ ? kActiveKnobRatio : kGoldenRatio);
  double x = showsOn() ? track.width() - width - 1 : 1;
  return {x, 1, width, knobHeightForSize(track.size)};
}

void ITSwitch::reloadLayer() {
  if (!backgroundLayer_) return;
  ui::Transaction::begin();
  ui::Transaction::setAnimationDuration(0.4);
  if (showsOn()) {
    backgroundLayer_->setBorderColor(tintColor());
    backgroundLayer_->setBackgroundColor(tintColor());
  } else {
    backgroundLayer_->setBorderColor(disabledBorderColor());
    const bool darkTrack = !disabledBorderColor_ && ui::SystemAppearance::shared().isDark();
    backgroundLayer_->setBackgroundColor(darkTrack ? kDarkOffTrack : ui::Color::clear());
  }
  layer()->setOpacity(isEnabled() ? 1.0 : 0.5);
  // A slight overshoot when the knob settles after a click; a drag follows the pointer without one.
  if (!dragged_) ui::Transaction::setAnimationTimingFunction(ui::TimingFunction(0.25, 1.5, 0.5, 1.0));
  knobLayer_->setFrame(rectForKnob());
  knobInsideLayer_->setFrame(knobLayer_->bounds());
  ui::Transaction::commit();
}

void ITSwitch::reloadLayerSize() {
  if (!backgroundLayer_) return;
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  // The track follows the view's size as an autoresizing layer would.
  backgroundLayer_->setFrame(bounds());
  knobLayer_->setFrame(rectForKnob());
  knobInsideLayer_->setFrame(knobLayer_->bounds());
  backgroundLayer_->setCornerRadius(backgroundLayer_->bounds().height() / 2);
  knobLayer_->setCornerRadius(knobLayer_->bounds().height() / 2);
  knobInsideLayer_->setCornerRadius(knobLayer_->bounds().height() / 2);
  ui::Transaction::commit();
}

void ITSwitch::setFrameSize(ui::Size size) {
  VLThemed<ui::Control>::setFrameSize(size);
  reloadLayerSize();
}

// --- value and colours ----------------------------------------------------------------------------------

void ITSwitch::setChecked(bool checked) {
  if (checked != checked_) {
    checked_ = checked;
    propagateValue(Json(checked), kCheckedBinding);
  }
  reloadLayer();
}

ui::Color ITSwitch::tintColor() const { return tintColor_.value_or(kDefaultTint); }

void ITSwitch::setTintColor(std::optional<ui::Color> color) {
  tintColor_ = std::move(color);
  reloadLayer();
}

ui::Color ITSwitch::disabledBorderColor() const {
  if (disabledBorderColor_) return *disabledBorderColor_;
  return ui::SystemAppearance::shared().isDark() ? kDarkDisabledBorder : kDefaultDisabledBorder;
}

void ITSwitch::setDisabledBorderColor(std::optional<ui::Color> color) {
  disabledBorderColor_ = std::move(color);
  reloadLayer();
}

void ITSwitch::setEnabled(bool enabled) {
  ui::Control::setEnabled(enabled);
  reloadLayer();
}

void ITSwitch::lightOrDarkChanged() { setTintColor(VLThemeManager::shared().colorForKey("accentColor")); }

// --- bindings -------------------------------------------------------------------------------------------

void ITSwitch::bind(const std::string& binding, VLBindingInfo info) {
  bindings_[binding] = info;
  if (binding != kCheckedBinding || !info.observedObject || !info.observedKeyPath) return;
  std::optional<Json> value = info.observedObject->valueForKeyPath(*info.observedKeyPath);
  if (auto transformer = info.transformer(); transformer && value)
    value = transformer->transformedValue(*value);
  // Shown without writing back: the model already holds it.
  checked_ = boolOfBoundValue(value, binding);
  reloadLayer();
}

std::optional<VLBindingInfo> ITSwitch::infoForBinding(const std::string& binding) const {
  auto it = bindings_.find(binding);
  if (it == bindings_.end()) return std::nullopt;
  return it->second;
}

void ITSwitch::propagateValue(const Json& value, const std::string& binding) {
  std::optional<VLBindingInfo> info = infoForBinding(binding);
  if (!info) return;
  Json out = value;
  if (auto transformer = info->transformer()) {
    if (transformer->allowsReverseTransformation()) {
      out = transformer->reverseTransformedValue(value);
    } else {
      logWarningf(
          "WARNING: binding \"%s\" has value transformer, but it doesn't allow reverse transformations in %s",
          binding.c_str(), __func__);
    }
  }
  if (!info->observedObject) {
    logErrorf("ERROR: NSObservedObjectKey was nil for binding \"%s\" in %s", binding.c_str(), __func__);
    return;
  }
  if (!info->observedKeyPath) {
    logErrorf("ERROR: NSObservedKeyPathKey was nil for binding \"%s\" in %s", binding.c_str(), __func__);
    return;
  }
  info->observedObject->setValueForKeyPath(out, *info->observedKeyPath);
}

// --- user input -----------------------------------------------------------------------------------------

void ITSwitch::invokeTargetAction() {
  if (action().empty()) return;
  std::shared_ptr<ui::View> keep = self();
  ui::Application::shared().sendAction(action(), target(), this);
}

void ITSwitch::userSetChecked(bool checked) {
  bool old = checked_;
  setChecked(checked);
  if (old != checked_) invokeTargetAction();
}

void ITSwitch::mouseDown(const ui::Event&) {
  if (!isEnabled()) return;
  active_ = true;
  reloadLayer();
}

void ITSwitch::mouseDragged(const ui::Event& event) {
  if (!isEnabled()) return;
  dragged_ = true;
  draggingTowardsOn_ = event.locationInView(*this).x >= bounds().width() / 2;
  reloadLayer();
}

void ITSwitch::mouseUp(const ui::Event&) {
  if (!isEnabled()) return;
  active_ = false;
  userSetChecked(dragged_ ? draggingTowardsOn_ : !checked_);
  dragged_ = false;
  draggingTowardsOn_ = false;
  reloadLayer();
}

void ITSwitch::moveLeft() {
  if (checked_) userSetChecked(false);
}

void ITSwitch::moveRight() {
  if (!checked_) userSetChecked(true);
}

void ITSwitch::keyDown(const ui::Event& event) {
  if (event.keyCode() == ui::KeyCode::LeftArrow) return moveLeft();
  if (event.keyCode() == ui::KeyCode::RightArrow) return moveRight();
  ui::Control::keyDown(event);
}

bool ITSwitch::performKeyEquivalent(const ui::Event& event) {
  ui::Window* w = window();
  if (event.type() == ui::EventType::KeyDown && event.keyCode() == ui::KeyCode::Space && w &&
      w->firstResponder() == this) {
    userSetChecked(!checked_);
    return true;
  }
  return false;
}

}  // namespace vl
