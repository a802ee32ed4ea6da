#pragma once

#include <memory>

#include "platform/ui/controls/VisualEffectView.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// A plain view whose background is its asset key (setBackgroundColorAssetKey): a colour fills it; a
// material puts a visual-effect view below its subviews instead, which a later colour removes again. A
// key that resolves to neither draws nothing. Repaints on every theme or light/dark change.
class ThemeView : public VLThemed<ui::View> {
 public:
  explicit ThemeView(const ui::Rect& frame = {});
  static std::shared_ptr<ThemeView> create(const ui::Rect& frame = {}) {
    return std::make_shared<ThemeView>(frame);
  }
  // A view with its key set (keys can only be kept on views already held by a shared_ptr).
  static std::shared_ptr<ThemeView> withKey(const ui::Rect& frame, const std::string& key);

  // Whether a visual-effect view is a direct subview.
  bool hasVisualEffectView() const;
  // Created on first use.
  const std::shared_ptr<ui::VisualEffectView>& visualEffectView();
  void setVisualEffectView(std::shared_ptr<ui::VisualEffectView> view) {
    visualEffectView_ = std::move(view);
  }

  void drawRect(const ui::Rect& dirtyRect) override;
  void setFrameSize(ui::Size size) override;

 private:
  std::shared_ptr<ui::VisualEffectView> visualEffectView_;
};

}  // namespace vl
