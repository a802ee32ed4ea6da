#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// A panel background that always fills itself with the window background key of the current system.
class VLVisualEffectView : public VLThemed<ui::View> {
 public:
  static constexpr const char* kBackgroundKey = "vellistoBackgroundColorSystem11";

  explicit VLVisualEffectView(const ui::Rect& frame = {}) : VLThemed<ui::View>(frame) {}
  // Use this: the key is set once the view is held by a shared_ptr.
  static std::shared_ptr<VLVisualEffectView> create(const ui::Rect& frame = {});

  void drawRect(const ui::Rect& dirtyRect) override;
};

}  // namespace vl
