#pragma once

#include <memory>

#include "Windows/Main/preview/CustomView.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// A preview with nothing to show: the quiet "Background2" fill.
class EmptyView : public VLThemed<CustomView> {
 public:
  static constexpr const char* kColorKey = "Background2";
  explicit EmptyView(const ui::Rect& frame = {}) : VLThemed<CustomView>(frame) {}
  static std::shared_ptr<EmptyView> create(const ui::Rect& frame);
  void drawRect(const ui::Rect& dirtyRect) override;
};

}  // namespace vl
