#include "platform/ui/controls/VisualEffectView.h"

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/Appearance.h"

namespace vl::ui {

void VisualEffectView::setMaterial(std::int64_t material) {
  if (material == material_) return;
  material_ = material;
  setNeedsDisplay(true);
}

void VisualEffectView::setEmphasized(bool emphasized) {
  if (emphasized == emphasized_) return;
  emphasized_ = emphasized;
  setNeedsDisplay(true);
}

Color VisualEffectView::tone() const {
  bool dark = SystemAppearance::shared().isDark();
  if (material_ == kSelectionMaterial) {
    return emphasized_ ? Color::rgb24(dark ? 0x0A5FD0 : 0x0A64E0, 0.9) : Color::white(dark ? 0.35 : 0.8, 0.8);
  }
  if (material_ == kHUDWindowMaterial) return Color::white(0.12, 0.85);
  return dark ? Color::white(0.17, 0.85) : Color::white(0.96, 0.85);
}

void VisualEffectView::drawRect(const Rect& dirtyRect) {
  if (GraphicsContext* ctx = GraphicsContext::current())
    ctx->fillRect(dirtyRect.intersection(bounds()), tone());
}

}  // namespace vl::ui
