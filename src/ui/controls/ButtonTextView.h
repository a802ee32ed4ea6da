#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/Button.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// A one-line themed label made of a borderless push button. It keeps the last colour or keys it was
// given and applies them again on every theme or light/dark change; a press restores the coloured title.
class ButtonTextView : public VLThemed<ui::Button> {
 public:
  static constexpr const char* kClickAction = "click:";

  explicit ButtonTextView(const ui::Rect& frame = {});
  // Use this: the label is its own target.
  static std::shared_ptr<ButtonTextView> create(const ui::Rect& frame = {});

  void setText(const std::string& text) { setTitle(text); }
  void setTextColor(const ui::Color& color);
  void setTextColorAssetKey(const AssetKey& key);
  void setBackgroundColor(const std::optional<ui::Color>& color);
  void setBackgroundColorAssetKey(const AssetKey& key);
  const std::optional<ui::Color>& holdTextColor() const { return holdTextColor_; }
  const AssetKey& holdTextColorAssetKey() const { return holdTextColorAssetKey_; }
  const AssetKey& holdBackgroundColorAssetKey() const { return holdBackgroundColorAssetKey_; }

  void click();
  void lightOrDarkChanged() override;
  bool respondsToAction(const std::string& action) const override;
  bool performAction(const std::string& action, ui::ActionTarget* sender) override;

 private:
  std::optional<ui::Color> holdTextColor_;
  AssetKey holdTextColorAssetKey_;
  AssetKey holdBackgroundColorAssetKey_;
};

}  // namespace vl
