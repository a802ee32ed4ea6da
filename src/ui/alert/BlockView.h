#pragma once

#include <memory>

#include "platform/ui/view/View.h"

namespace vl {

// The dimming cover under an alert: what shows is its layer's "blockColor" at the layer's opacity; it
// takes every press and pointer move so nothing beneath reacts while the alert is up.
class BlockView : public ui::View {
 public:
  static constexpr const char* kColorKey = "blockColor";

  explicit BlockView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<BlockView> create(const ui::Rect& frame = {});

  void mouseDown(const ui::Event&) override {}
  void mouseMoved(const ui::Event&) override {}
};

}  // namespace vl
