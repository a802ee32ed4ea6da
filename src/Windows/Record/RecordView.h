#pragma once

#include <memory>

#include "ui/view/ThemeView.h"

namespace vl {

// The record window's content: rounded, in the record window's colour. A press on the bare background
// does nothing; the labels and rows drag the window.
class RecordView : public ThemeView {
 public:
  explicit RecordView(const ui::Rect& frame = {}) : ThemeView(frame) {}
  static std::shared_ptr<RecordView> create(const ui::Rect& frame = {});

  bool acceptsFirstMouse(const ui::Event&) override { return true; }
  void mouseDown(const ui::Event&) override {}
};

}  // namespace vl
