#pragma once

#include <utility>

#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// The title, background and border asset keys of a button's four states: normal, highlighted under the
// pointer, selected and disabled. A button that must apply a key at once declares its own setter.
class ButtonStateKeys {
 public:
  const AssetKey& textColorAssetKey() const { return textKey_; }
  void setTextColorAssetKey(AssetKey key) { textKey_ = std::move(key); }
  const AssetKey& textHighlightedColorAssetKey() const { return textHighlightedKey_; }
  void setTextHighlightedColorAssetKey(AssetKey key) { textHighlightedKey_ = std::move(key); }
  const AssetKey& textSelectedColorAssetKey() const { return textSelectedKey_; }
  void setTextSelectedColorAssetKey(AssetKey key) { textSelectedKey_ = std::move(key); }
  const AssetKey& textDisabledColorAssetKey() const { return textDisabledKey_; }
  void setTextDisabledColorAssetKey(AssetKey key) { textDisabledKey_ = std::move(key); }
  const AssetKey& buttonBackgroundColorAssetKey() const { return backgroundKey_; }
  void setButtonBackgroundColorAssetKey(AssetKey key) { backgroundKey_ = std::move(key); }
  const AssetKey& buttonBackgroundHighlightedColorAssetKey() const { return backgroundHighlightedKey_; }
  void setButtonBackgroundHighlightedColorAssetKey(AssetKey key) {
    backgroundHighlightedKey_ = std::move(key);
  }
  const AssetKey& buttonBackgroundSelectedColorAssetKey() const { return backgroundSelectedKey_; }
  void setButtonBackgroundSelectedColorAssetKey(AssetKey key) { backgroundSelectedKey_ = std::move(key); }
  const AssetKey& buttonBackgroundDisabledColorAssetKey() const { return backgroundDisabledKey_; }
  void setButtonBackgroundDisabledColorAssetKey(AssetKey key) { backgroundDisabledKey_ = std::move(key); }
  const AssetKey& borderColorAssetKey() const { return borderKey_; }
  void setBorderColorAssetKey(AssetKey key) { borderKey_ = std::move(key); }
  const AssetKey& borderHighlightedColorAssetKey() const { return borderHighlightedKey_; }
  const AssetKey& borderSelectedColorAssetKey() const { return borderSelectedKey_; }
  const AssetKey& borderDisabledColorAssetKey() const { return borderDisabledKey_; }

 protected:
  ~ButtonStateKeys() = default;

  AssetKey textKey_, textHighlightedKey_, textSelectedKey_, textDisabledKey_;
  AssetKey backgroundKey_, backgroundHighlightedKey_, backgroundSelectedKey_, backgroundDisabledKey_;
  AssetKey borderKey_, borderHighlightedKey_, borderSelectedKey_, borderDisabledKey_;
};

// A state the caller gave no colour of its own shows the normal one.
void fillEmptyStateKeys(const AssetKey& normal, AssetKey& highlighted, AssetKey& selected,
                        AssetKey& disabled);

// The buttons' hover area over the whole view, added once: `added` remembers it. Nothing happens while the
// view is not yet held by a shared pointer, so a later call can still add it.
void addHoverTrackingArea(ui::View& view, bool& added);

}  // namespace vl
