#include "Windows/Main/preview/EmptyView.h"

#include "platform/ui/graphics/DisplayList.h"
#include "theme/VLThemeManager.h"

namespace vl {

std::shared_ptr<EmptyView> EmptyView::create(const ui::Rect& frame) {
  auto view = std::make_shared<EmptyView>(frame);
  // Registers the view for light and dark changes, so the fill follows them.
  setBackgroundColorAssetKey(*view, std::string(kColorKey));
  return view;
}

void EmptyView::drawRect(const ui::Rect& dirtyRect) {
  std::optional<ui::Color> color = VLThemeManager::shared().colorForKey(kColorKey);
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (color && ctx) ctx->fillRect(dirtyRect, *color);
  CustomView::drawRect(dirtyRect);
}

}  // namespace vl
