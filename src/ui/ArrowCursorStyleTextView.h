#pragma once

#include <memory>

#include "platform/ui/text/TextView.h"

namespace vl {

// Text in the history list that keeps the arrow cursor, offers no context menu and turns a press into
// kHistoryMouseClick on the default centre (no object) instead of placing a caret or selecting.
class ArrowCursorStyleTextView : public ui::TextView {
 public:
  static constexpr const char* kHistoryMouseClick = "Vellisto_MAIN_historyMouseClick";

  explicit ArrowCursorStyleTextView(const ui::Rect& frame = {}) : ui::TextView(frame) {}
  static std::shared_ptr<ArrowCursorStyleTextView> create(const ui::Rect& frame = {}) {
    return std::make_shared<ArrowCursorStyleTextView>(frame);
  }

  void mouseDown(const ui::Event& event) override;
  void mouseMoved(const ui::Event& event) override;
  void cursorUpdate(const ui::Event& event) override;
  void resetCursorRects() override;
  std::shared_ptr<ui::Menu> menuForEvent(const ui::Event& event) override;
};

}  // namespace vl
