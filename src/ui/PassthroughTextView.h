#pragma once

#include <memory>

#include "platform/ui/text/TextView.h"

namespace vl {

// A title inside a button or a row: the mouse belongs to the container, so presses, drags, releases
// and the pointer entering or leaving go to the superview and the text never gets selected. Starts not
// editable, not selectable, without a background and keeping the frame it is given (its text does not
// resize it), and never takes the focus.
class PassthroughTextView : public ui::TextView {
 public:
  explicit PassthroughTextView(const ui::Rect& frame = {});
  static std::shared_ptr<PassthroughTextView> create(const ui::Rect& frame = {}) {
    return std::make_shared<PassthroughTextView>(frame);
  }

  bool acceptsFirstResponder() const override { return false; }
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;
  void mouseDown(const ui::Event& event) override;
  // The container's press tracking needs the rest of the gesture too.
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;
};

}  // namespace vl
