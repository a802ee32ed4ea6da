#pragma once

#include <memory>

#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/view/Layer.h"

namespace vl {

// The frame of an application list: it scrolls with the wheel but never shows a scroller, which would
// cover the rows' right edge.
class AccessibilityScrollView : public ui::ScrollView {
 public:
  explicit AccessibilityScrollView(const ui::Rect& frame = {}) : ui::ScrollView(frame) {
    setHasVerticalScroller(false);
    setHasHorizontalScroller(false);
    setDrawsBackground(false);
    // Rows are wider than the frame, and a long list taller: neither may draw outside it.
    setWantsLayer(true);
    layer()->setMasksToBounds(true);
  }
  static std::shared_ptr<AccessibilityScrollView> create(const ui::Rect& frame = {}) {
    return std::make_shared<AccessibilityScrollView>(frame);
  }
};

}  // namespace vl
