#include "platform/ui/controls/Scroller.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/SystemColors.h"

namespace vl::ui {

namespace {
constexpr double kMinKnob = 18;
}

Scroller::Scroller(const Rect& frame) : Control(frame) {}

void Scroller::setKnobProportion(double p) {
  proportion_ = std::isfinite(p) ? std::clamp(p, 0.0, 1.0) : 1;
  setNeedsDisplay(true);
}

void Scroller::setKnobPosition(double p) {
  position_ = std::isfinite(p) ? std::clamp(p, 0.0, 1.0) : 0;
  setNeedsDisplay(true);
}

Rect Scroller::knobRect() const {
  Rect slot = knobSlotRect();
  bool vertical = isVertical();
  double length = vertical ? slot.height() : slot.width();
  double knob = std::min(length, std::max(kMinKnob, length * proportion_));
  double offset = (length - knob) * position_;
  if (vertical) {
    // Position 0 is the top; in the scroller's unflipped bounds the top is the high y.
    double y = isFlipped() ? slot.minY() + offset : slot.maxY() - offset - knob;
    return {slot.minX(), y, slot.width(), knob};
  }
  return {slot.minX() + offset, slot.minY(), knob, slot.height()};
}

void Scroller::drawKnobSlot() {
  if (GraphicsContext* ctx = GraphicsContext::current())
    ctx->fillRect(knobSlotRect(), SystemColors::scrollerSlot());
}

void Scroller::drawKnob() {
  GraphicsContext* ctx = GraphicsContext::current();
  if (!ctx) return;
  Rect k = knobRect().insetBy(3, 3);
  double r = std::min(k.width(), k.height()) / 2;
  ctx->fillPath(BezierPath::roundedRect(k, r, r), SystemColors::scrollerKnob());
}

void Scroller::drawRect(const Rect&) {
  if (proportion_ >= 1) return;  // nothing to scroll: no knob
  drawKnobSlot();
  drawKnob();
}

double Scroller::positionAt(Point local) const {
  Rect slot = knobSlotRect();
  Rect knob = knobRect();
  bool vertical = isVertical();
  double free = vertical ? slot.height() - knob.height() : slot.width() - knob.width();
  if (free <= 0) return 0;
  double along =
      vertical ? (isFlipped() ? local.y - slot.minY() : slot.maxY() - local.y) : local.x - slot.minX();
  return std::clamp((along - grabOffset_) / free, 0.0, 1.0);
}

void Scroller::mouseDown(const Event& event) {
  if (!isEnabled() || proportion_ >= 1) return;
  Point p = event.locationInView(*this);
  Rect knob = knobRect();
  bool vertical = isVertical();
  double knobLength = vertical ? knob.height() : knob.width();
  if (knob.contains(p)) {
    double knobStart = vertical ? (isFlipped() ? knob.minY() : bounds().maxY() - knob.maxY()) : knob.minX();
    double along = vertical ? (isFlipped() ? p.y : bounds().maxY() - p.y) : p.x;
    grabOffset_ = along - knobStart;
  } else {
    // A click in the slot centres the knob there.
    grabOffset_ = knobLength / 2;
  }
  dragging_ = true;
  setKnobPosition(positionAt(p));
  if (onScroll_) onScroll_(position_);
}

void Scroller::mouseDragged(const Event& event) {
  if (!dragging_) return;
  setKnobPosition(positionAt(event.locationInView(*this)));
  if (onScroll_) onScroll_(position_);
}

void Scroller::mouseUp(const Event&) { dragging_ = false; }

}  // namespace vl::ui
