#pragma once

#include <memory>
#include <string>

#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/text/ParagraphStyle.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

// State values of two- and three-state controls.
namespace ControlStateValue {
constexpr int Mixed = -1;
constexpr int Off = 0;
constexpr int On = 1;
}  // namespace ControlStateValue

enum class FocusRingType { Default = 0, None = 1, Exterior = 2 };

// A view that the user operates: it holds a value and sends an action to a target when the user changes
// it. The target is held weakly; with no target (or one that is gone) the action travels along the key
// window's responder chain. Changes made by code never send the action. Main thread only.
class Control : public View {
 public:
  explicit Control(const Rect& frame = {});

  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled);
  std::shared_ptr<ActionTarget> target() const { return target_.lock(); }
  void setTarget(const std::shared_ptr<ActionTarget>& target) { target_ = target; }
  const std::string& action() const { return action_; }
  void setAction(std::string action) { action_ = std::move(action); }

  const Font& font() const { return font_; }
  virtual void setFont(const Font& font);
  TextAlignment alignment() const { return alignment_; }
  virtual void setAlignment(TextAlignment alignment);
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(LineBreakMode mode);

  // The value as text. Subclasses with another kind of value convert.
  virtual std::string stringValue() const { return value_.string(); }
  virtual void setStringValue(const std::string& value);
  virtual void setAttributedStringValue(const AttributedString& value);
  // The leading number of the string value; 0 when it has none.
  long integerValue() const;
  double doubleValue() const;
  void setDoubleValue(double v);

  // ControlStateValue; other values count as On, as the platform treats them.
  int state() const { return state_; }
  virtual void setState(int state);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted);

  const std::string& toolTip() const { return toolTip_; }
  void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
  void setFocusRingType(FocusRingType t) { focusRingType_ = t; }

  // Sends the action (to the target, or along the responder chain); false when there is no action or
  // nobody took it. A disabled control sends nothing.
  bool sendAction();
  bool sendAction(const std::string& action, const std::shared_ptr<ActionTarget>& target);
  // As if the user clicked the control.
  virtual void performClick();

  // The size that fits the control's content; sizeToFit takes it, keeping the origin.
  virtual Size intrinsicContentSize() const;
  void sizeToFit();

 protected:
  // A value set by the user; subclasses call it on edits (setStringValue is for code).
  void storeValue(const AttributedString& value) { value_ = value; }

 private:
  bool enabled_ = true;
  std::weak_ptr<ActionTarget> target_;
  std::string action_;
  Font font_ = Font::systemFont(13);
  TextAlignment alignment_ = TextAlignment::Natural;
  LineBreakMode lineBreakMode_ = LineBreakMode::Clipping;
  AttributedString value_;
  int state_ = ControlStateValue::Off;
  bool highlighted_ = false;
  std::string toolTip_;
  FocusRingType focusRingType_ = FocusRingType::Default;
};

}  // namespace vl::ui
