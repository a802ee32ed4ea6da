#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

// A system background material behind other views, named by the platform's material numbers (4 is the
// selection, 13 the dark HUD window, ...). Windows here are not blurred by the desktop, so the material is
// drawn as a translucent tone of the current light or dark mode. Main thread only.
class VisualEffectView : public View {
 public:
  static constexpr std::int64_t kSelectionMaterial = 4;
  static constexpr std::int64_t kHUDWindowMaterial = 13;

  explicit VisualEffectView(const Rect& frame = {}) : View(frame) {}
  static std::shared_ptr<VisualEffectView> create(const Rect& frame = {}) {
    return std::make_shared<VisualEffectView>(frame);
  }

  std::int64_t material() const { return material_; }
  void setMaterial(std::int64_t material);
  // An emphasized selection is drawn stronger, as for a focused list.
  void setEmphasized(bool emphasized);

  // The tone the material is drawn in, in the mode the system shows now.
  Color tone() const;
  void drawRect(const Rect& dirtyRect) override;

 private:
  std::int64_t material_ = 0;
  bool emphasized_ = false;
};

}  // namespace vl::ui
