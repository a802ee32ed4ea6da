#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Button.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/ShapeLayer.h"
#include "platform/ui/view/TextLayer.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// A flat push or toggle button drawn entirely by layers: border, background, a tinted image and a title,
// each with one colour for off and one for on. The on state is the state value 1; every other value counts
// as off. Colours are plain colours chosen by the owner (the colour panel's swatches, the grant buttons);
// they appear at the first setState, setMomentary or colour setter, so a new button shows its red start-up
// background until then. A colour may instead come from an asset key, which is resolved again on every
// theme or light/dark change. Main thread only.
class SYFlatButton : public VLThemed<ui::Button> {
 public:
  explicit SYFlatButton(const ui::Rect& frame = {});
  static std::shared_ptr<SYFlatButton> create(const ui::Rect& frame = {}) {
    return std::make_shared<SYFlatButton>(frame);
  }

  // YES: on only while pressed; NO: each click flips the state.
  bool momentary() const { return momentary_; }
  void setMomentary(bool momentary);
  // Seconds the colour changes towards on / off take; 0 (the default) changes them at once.
  double onAnimateDuration() const { return onAnimateDuration_; }
  void setOnAnimateDuration(double seconds) { onAnimateDuration_ = seconds; }
  double offAnimateDuration() const { return offAnimateDuration_; }
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double radius);
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double width);
  double spacing() const { return spacing_; }
  void setSpacing(double spacing);

  using OptColor = std::optional<ui::Color>;
  const OptColor& borderNormalColor() const { return borderNormal_; }
  void setBorderNormalColor(OptColor c) { setColor(borderNormal_, std::move(c)); }
  const OptColor& borderHighlightColor() const { return borderHighlight_; }
  void setBorderHighlightColor(OptColor c) { setColor(borderHighlight_, std::move(c)); }
  const OptColor& backgroundNormalColor() const { return backgroundNormal_; }
  void setBackgroundNormalColor(OptColor c) { setColor(backgroundNormal_, std::move(c)); }
  const OptColor& backgroundHighlightColor() const { return backgroundHighlight_; }
  void setBackgroundHighlightColor(OptColor c) { setColor(backgroundHighlight_, std::move(c)); }
  const OptColor& imageNormalColor() const { return imageNormal_; }
  const OptColor& imageHighlightColor() const { return imageHighlight_; }
  const OptColor& titleNormalColor() const { return titleNormal_; }
  void setTitleNormalColor(OptColor c) { setColor(titleNormal_, std::move(c)); }
  const OptColor& titleHighlightColor() const { return titleHighlight_; }

  enum class ColorRole {
    BorderNormal,
    BorderHighlight,
    BackgroundNormal,
    BackgroundHighlight,
    ImageNormal,
    ImageHighlight,
    TitleNormal,
    TitleHighlight,
  };
  // The role's colour from the key (none when the theme lacks it); no key stops following, keeping the
  // colour until another is set.
  void setColorAssetKey(ColorRole role, AssetKey key);
  void lightOrDarkChanged() override;

  // Created on first use.
  const std::shared_ptr<ui::ShapeLayer>& imageLayer();
  const std::shared_ptr<ui::TextLayer>& titleLayer();

  // Sets the state, then moves the colours towards it.
  void setState(int state) override;
  // Sets the state and its four colours at once, stopping any colour change under way.
  void setStateWithoutAnimation(int state);
  // Stops every animation of the button's layer and its sublayers.
  void removeAllAnimations();
  void animateColorWithState(int state);

  void setFrameSize(ui::Size size) override;
  void setFont(const ui::Font& font) override;
  void setTitle(const std::string& title) override;
  void setImage(ui::ImageRef image) override;
  void setImagePosition(ui::ImagePosition position);

  ui::View* hitTest(ui::Point pointInSuperview) override;
  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event&) override {}
  void mouseUp(const ui::Event& event) override;
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;
  void updateTrackingAreas() override;
  void drawRect(const ui::Rect&) override {}

 private:
  void setup();
  void setupImageLayer();
  void setupTitleLayer();
  void setColor(OptColor& slot, OptColor color);
  OptColor& slotOf(ColorRole role);
  // Resolves every keyed role into its colour.
  void resolveKeys();
  void flipState();
  static bool isOn(int state) { return state == ui::ControlStateValue::On; }
  // Moves one colour property of a layer to `color` over `duration` seconds (at once for 0).
  static void animateLayer(ui::Layer& layer, const OptColor& color, const std::string& keyPath,
                           double duration);

  bool momentary_ = false;
  bool mouseDown_ = false;
  double onAnimateDuration_ = 0;
  double offAnimateDuration_ = 0;
  double cornerRadius_ = 0;
  double borderWidth_ = 0;
  double spacing_ = 0;
  OptColor borderNormal_, borderHighlight_;
  OptColor backgroundNormal_, backgroundHighlight_;
  OptColor imageNormal_, imageHighlight_;
  OptColor titleNormal_, titleHighlight_;
  std::map<ColorRole, std::string> keys_;
  std::shared_ptr<ui::ShapeLayer> imageLayer_;
  std::shared_ptr<ui::TextLayer> titleLayer_;
  bool trackingAreaAdded_ = false;
};

}  // namespace vl
