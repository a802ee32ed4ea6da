#pragma once

#include <functional>
#include <memory>

#include "platform/ui/controls/Control.h"

namespace vl::ui {

// The bar beside a scroll view that shows which part of the document is in view and lets the user drag
// it. Subclasses change its look by overriding drawKnobSlot and drawKnob (a scroller that shows only its
// knob leaves the slot empty). Vertical when taller than wide.
class Scroller : public Control {
 public:
  static constexpr double kWidth = 15;

  explicit Scroller(const Rect& frame = {});
  static std::shared_ptr<Scroller> create(const Rect& frame = {}) {
    return std::make_shared<Scroller>(frame);
  }

  bool isVertical() const { return frame().size.height >= frame().size.width; }
  // The visible part of the document as a fraction of all of it (0...1).
  void setKnobProportion(double p);
  // Where the visible part is: 0 at the top (left), 1 at the bottom (right).
  double knobPosition() const { return position_; }
  void setKnobPosition(double p);

  // The track and the knob in the scroller's bounds; the knob is at least 18 points long.
  Rect knobSlotRect() const { return bounds(); }
  Rect knobRect() const;
  virtual void drawKnobSlot();
  virtual void drawKnob();
  void drawRect(const Rect& dirtyRect) override;

  // Dragging the knob moves the position and reports it to the scroll view.
  void mouseDown(const Event& event) override;
  void mouseDragged(const Event& event) override;
  void mouseUp(const Event& event) override;

 private:
  friend class ScrollView;
  double positionAt(Point local) const;

  double proportion_ = 1;
  double position_ = 0;
  double grabOffset_ = 0;
  bool dragging_ = false;
  std::function<void(double)> onScroll_;
};

}  // namespace vl::ui
