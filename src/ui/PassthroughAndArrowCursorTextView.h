#pragma once

#include <memory>

#include "ui/PassthroughTextView.h"

namespace vl {

// A pass-through title that keeps the arrow cursor and offers no context menu.
class PassthroughAndArrowCursorTextView : public PassthroughTextView {
 public:
  explicit PassthroughAndArrowCursorTextView(const ui::Rect& frame = {}) : PassthroughTextView(frame) {}
  static std::shared_ptr<PassthroughAndArrowCursorTextView> create(const ui::Rect& frame = {}) {
    return std::make_shared<PassthroughAndArrowCursorTextView>(frame);
  }

  void mouseMoved(const ui::Event& event) override;
  void cursorUpdate(const ui::Event& event) override;
  void resetCursorRects() override;
  std::shared_ptr<ui::Menu> menuForEvent(const ui::Event& event) override;
};

}  // namespace vl
