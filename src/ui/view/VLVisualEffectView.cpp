#include "ui/view/VLVisualEffectView.h"

#include "platform/ui/graphics/DisplayList.h"

namespace vl {

std::shared_ptr<VLVisualEffectView> VLVisualEffectView::create(const ui::Rect& frame) {
  auto view = std::make_shared<VLVisualEffectView>(frame);
  // The newer of the two system backgrounds: every desktop this runs on draws flat window backgrounds.
  setBackgroundColorAssetKey(*view, std::string(kBackgroundKey));
  return view;
}

void VLVisualEffectView::drawRect(const ui::Rect& dirtyRect) {
  AssetKey key = backgroundColorAssetKey(*this);
  std::optional<ui::Color> color = key ? VLThemeManager::shared().colorForKey(*key) : std::nullopt;
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (color && ctx) ctx->fillRect(dirtyRect, *color);
}

}  // namespace vl
