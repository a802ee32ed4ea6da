#include "platform/ui/controls/Control.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/window/Application.h"

namespace vl::ui {

Control::Control(const Rect& frame) : View(frame) {}

void Control::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled) highlighted_ = false;
  setNeedsDisplay(true);
}

void Control::setFont(const Font& font) {
  font_ = font;
  setNeedsDisplay(true);
}

void Control::setAlignment(TextAlignment alignment) {
  alignment_ = alignment;
  setNeedsDisplay(true);
}

void Control::setLineBreakMode(LineBreakMode mode) {
  lineBreakMode_ = mode;
  setNeedsDisplay(true);
}

void Control::setStringValue(const std::string& value) {
  value_ = AttributedString(value);
  setNeedsDisplay(true);
}

void Control::setAttributedStringValue(const AttributedString& value) {
  value_ = value;
  setNeedsDisplay(true);
}

long Control::integerValue() const {
  std::string s = stringValue();
  errno = 0;
  long v = std::strtol(s.c_str(), nullptr, 10);
  return errno == ERANGE ? 0 : v;
}

double Control::doubleValue() const {
  double v = std::strtod(stringValue().c_str(), nullptr);
  return std::isfinite(v) ? v : 0;
}

void Control::setDoubleValue(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", std::isfinite(v) ? v : 0.0);
  setStringValue(buf);
}

void Control::setState(int state) {
  if (state == state_) return;
  state_ = state;
  setNeedsDisplay(true);
}

void Control::setHighlighted(bool highlighted) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  setNeedsDisplay(true);
}

bool Control::sendAction() { return sendAction(action_, target()); }

bool Control::sendAction(const std::string& action, const std::shared_ptr<ActionTarget>& target) {
  if (!enabled_ || action.empty()) return false;
  std::shared_ptr<View> keep = self();  // the action may remove this control
  bool sent = Application::shared().sendAction(action, target, this);
  if (!sent) logWarningf("%s: action %s found no receiver", className().c_str(), action.c_str());
  return sent;
}

void Control::performClick() { sendAction(); }

Size Control::intrinsicContentSize() const {
  Size text = TextMetrics::sizeOfString(stringValue(), font_);
  return {std::ceil(text.width + 4), std::ceil(text.height + 4)};
}

void Control::sizeToFit() {
  Size s = intrinsicContentSize();
  setFrameSize(s);
}

}  // namespace vl::ui
