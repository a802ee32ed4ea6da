#pragma once

#include <memory>

#include "platform/ui/controls/Scroller.h"

namespace vl {

// A scroller with an invisible track: only the knob shows over the content.
class VLTransparentScroller : public ui::Scroller {
 public:
  using ui::Scroller::Scroller;
  static std::shared_ptr<VLTransparentScroller> create(const ui::Rect& frame = {}) {
    return std::make_shared<VLTransparentScroller>(frame);
  }

  void drawKnobSlot() override {}
};

}  // namespace vl
