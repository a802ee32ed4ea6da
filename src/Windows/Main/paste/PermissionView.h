#pragma once

#include <memory>

#include "Windows/Main/preview/CustomView.h"
#include "platform/ui/text/TextView.h"

namespace vl {

// Why a paste cannot reach the other application, shown in the preview when a record's json asks.
class PermissionView : public CustomView {
 public:
  explicit PermissionView(const ui::Rect& frame = {}) : CustomView(frame) {}
  static std::shared_ptr<PermissionView> create(const ui::Rect& frame);
  const std::shared_ptr<ui::TextView>& hint() const { return hint_; }

 private:
  std::shared_ptr<ui::TextView> hint_;
};

}  // namespace vl
