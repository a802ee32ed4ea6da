#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Control.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/Layer.h"
#include "theme/VLThemeCategories.h"
#include "ui/controls/VLBinding.h"

namespace vl {

// An on/off switch: a rounded track and a sliding knob, all layers. A click flips it, dragging the knob
// across half the width chooses the side it lands on, the arrow keys push it towards their side and Space
// flips it while it has the focus. User changes send the action; changes by code do not. The value can be
// bound ("checked") to a model such as a setting, which it writes back when it changes. The on colour
// follows the theme's "accentColor". Main thread only.
class ITSwitch : public VLThemed<ui::Control> {
 public:
  static constexpr const char* kCheckedBinding = "checked";

  explicit ITSwitch(const ui::Rect& frame = {});
  static std::shared_ptr<ITSwitch> create(const ui::Rect& frame = {}) {
    return std::make_shared<ITSwitch>(frame);
  }

  bool checked() const { return checked_; }
  // Redraws; a changed value also reaches the bound model. Never sends the action.
  void setChecked(bool checked);
  // Fill and border when on; a green of the platform's switches when unset.
  ui::Color tintColor() const;
  void setTintColor(std::optional<ui::Color> color);
  // Border when off; unset, a faint black in light mode and a light rim in dark.
  ui::Color disabledBorderColor() const;
  void setDisabledBorderColor(std::optional<ui::Color> color);
  void setEnabled(bool enabled) override;
  void setFrameSize(ui::Size size) override;

  bool isActive() const { return active_; }
  bool draggingTowardsOn() const { return draggingTowardsOn_; }

  // The knob's rectangle in the track: narrower than half the track, wider while pressed.
  ui::Rect rectForKnob() const;
  static double knobHeightForSize(ui::Size size) { return size.height - 2; }
  // Animates colours, opacity and the knob to the current state.
  void reloadLayer();
  // Sizes the layers to the view at once.
  void reloadLayerSize();

  const std::shared_ptr<ui::Layer>& backgroundLayer() const { return backgroundLayer_; }
  const std::shared_ptr<ui::Layer>& knobLayer() const { return knobLayer_; }
  const std::shared_ptr<ui::Layer>& knobInsideLayer() const { return knobInsideLayer_; }

  // Ties "checked" to a model value and shows it: a boolean or a number as on/off, anything else as off.
  void bind(const std::string& binding, VLBindingInfo info);
  std::optional<VLBindingInfo> infoForBinding(const std::string& binding) const;
  // Writes `value` to the model the binding names, through its transformer in reverse.
  void propagateValue(const Json& value, const std::string& binding);

  void lightOrDarkChanged() override;
  bool acceptsFirstMouse(const ui::Event&) override { return true; }
  // Keyboard navigation is always on here, so the switch always takes the focus.
  bool acceptsFirstResponder() const override { return true; }
  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;
  void keyDown(const ui::Event& event) override;
  bool performKeyEquivalent(const ui::Event& event) override;
  void moveLeft();
  void moveRight();

 private:
  void setUp();
  void setUpLayers();
  bool showsOn() const { return dragged_ ? draggingTowardsOn_ : checked_; }
  void invokeTargetAction();
  // Sets the value as a user would: the action goes out when it changed.
  void userSetChecked(bool checked);

  bool checked_ = false;
  bool active_ = false;
  bool dragged_ = false;
  bool draggingTowardsOn_ = false;
  std::optional<ui::Color> tintColor_;
  std::optional<ui::Color> disabledBorderColor_;
  std::shared_ptr<ui::Layer> backgroundLayer_;
  std::shared_ptr<ui::Layer> knobLayer_;
  std::shared_ptr<ui::Layer> knobInsideLayer_;
  std::map<std::string, VLBindingInfo> bindings_;
};

}  // namespace vl
