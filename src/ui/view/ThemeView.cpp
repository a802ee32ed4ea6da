#include "ui/view/ThemeView.h"

#include "platform/ui/graphics/DisplayList.h"

namespace vl {

ThemeView::ThemeView(const ui::Rect& frame) : VLThemed<ui::View>(frame) {}

std::shared_ptr<ThemeView> ThemeView::withKey(const ui::Rect& frame, const std::string& key) {
  auto view = create(frame);
  setBackgroundColorAssetKey(*view, key);
  return view;
}

bool ThemeView::hasVisualEffectView() const {
  for (const auto& sub : subviews()) {
    if (dynamic_cast<ui::VisualEffectView*>(sub.get())) return true;
  }
  return false;
}

const std::shared_ptr<ui::VisualEffectView>& ThemeView::visualEffectView() {
  if (!visualEffectView_) visualEffectView_ = ui::VisualEffectView::create();
  return visualEffectView_;
}

void ThemeView::drawRect(const ui::Rect& dirtyRect) {
  AssetKey key = backgroundColorAssetKey(*this);
  if (!key) return;
  if (std::optional<ui::Color> color = VLThemeManager::shared().colorForKey(*key)) {
    if (hasVisualEffectView()) visualEffectView()->removeFromSuperview();
    if (ui::GraphicsContext* ctx = ui::GraphicsContext::current()) ctx->fillRect(dirtyRect, *color);
  }
  if (std::optional<VLVisualEffectObject> material =
          VLThemeManager::shared().visualEffectObjectForKey(*key)) {
    const auto& effect = visualEffectView();
    effect->setMaterial(material->material);
    effect->setEmphasized(material->emphasized);
    if (!hasVisualEffectView()) {
      addSubview(effect, ui::View::Ordering::Below, nullptr);
      effect->setFrame(dirtyRect);
    }
  }
}

void ThemeView::setFrameSize(ui::Size size) {
  VLThemed<ui::View>::setFrameSize(size);
  if (hasVisualEffectView()) visualEffectView()->setFrameSize(size);
}

}  // namespace vl
