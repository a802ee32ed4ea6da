#pragma once

#include <memory>

#include "platform/ui/controls/ImageView.h"

namespace vl {

// An icon inside a button or a row: takes the first click of an inactive window and hands the mouse to
// its container, like PassthroughTextView.
class PassthroughImageView : public ui::ImageView {
 public:
  explicit PassthroughImageView(const ui::Rect& frame = {}) : ui::ImageView(frame) {}
  static std::shared_ptr<PassthroughImageView> create(const ui::Rect& frame = {}) {
    return std::make_shared<PassthroughImageView>(frame);
  }

  bool acceptsFirstMouse(const ui::Event&) override { return true; }
  void mouseEntered(const ui::Event& event) override;
  void mouseExited(const ui::Event& event) override;
  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;
};

}  // namespace vl
