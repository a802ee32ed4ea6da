#pragma once

#include "ui/panels/EdgeSheet.h"

namespace vl {

// A sheet that moves in from the right edge of its host view, over a cover that closes it when clicked.
// Held by shared_ptr. Main thread only.
class AbstractSlide : public EdgeSheet {
 public:
  explicit AbstractSlide(const ui::Rect& frame = {});

  virtual void slideAnimationDidEnd(bool /*shown*/) {}

 protected:
  void sheetDidEnd(bool shown) override { slideAnimationDidEnd(shown); }
};

}  // namespace vl
