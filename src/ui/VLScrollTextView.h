#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/text/Font.h"
#include "theme/VLThemeCategories.h"
#include "ui/KeyViewLinks.h"
#include "ui/VLInnerTextField.h"

namespace vl {

// The application's multi-line input: a plain-text view scrolling inside a layer that draws the border
// and background from asset keys, with an edit look (the edit keys and a 2-point border) while it has
// the focus. Keys, font, width and radius set by code are only stored; they take effect when the view
// has joined a superview. The text colour stays the same while editing. Create with create(); main
// thread only.
class VLScrollTextView : public ui::View, public ui::TextViewDelegate, public VLInnerTextViewDelegate {
 public:
  explicit VLScrollTextView(const ui::Rect& frame = {});
  static std::shared_ptr<VLScrollTextView> create(const ui::Rect& frame = {});

  // Built on first use: the scroll view (added as the only subview) holds the text view.
  const std::shared_ptr<ui::ScrollView>& scrollView();
  const std::shared_ptr<VLInnerTextView>& textView();

  const std::string& text() { return textView()->string(); }
  void setText(const std::string& text) { textView()->setString(text); }

  const std::optional<ui::Font>& font() const { return font_; }
  void setFont(std::optional<ui::Font> font) { font_ = std::move(font); }
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double width) { borderWidth_ = width; }
  double radius() const { return radius_; }
  void setRadius(double radius) { radius_ = radius; }
  const AssetKey& textColorAssetKey() const { return textKey_; }
  void setTextColorAssetKey(AssetKey key) { textKey_ = std::move(key); }
  const AssetKey& textViewBackgroundColorAssetKey() const { return backgroundKey_; }
  void setTextViewBackgroundColorAssetKey(AssetKey key) { backgroundKey_ = std::move(key); }
  const AssetKey& textViewEditBackgroundColorAssetKey() const { return editBackgroundKey_; }
  void setTextViewEditBackgroundColorAssetKey(AssetKey key) { editBackgroundKey_ = std::move(key); }
  const AssetKey& borderColorAssetKey() const { return borderKey_; }
  void setBorderColorAssetKey(AssetKey key) { borderKey_ = std::move(key); }
  const AssetKey& borderEditColorAssetKey() const { return borderEditKey_; }
  void setBorderEditColorAssetKey(AssetKey key) { borderEditKey_ = std::move(key); }

  // Where Tab and Shift+Tab take the keyboard; unlinked, they are typed into the text.
  KeyViewLinks& keyViewLinks() { return keyViewLinks_; }

  void viewDidMoveToSuperview() override;
  void resizeSubviewsWithOldSize(ui::Size oldSize) override;

  bool textViewDoCommandBySelector(ui::TextView& textView, const std::string& command) override;
  void textDidEndEditing(ui::TextView& textView) override;
  void didBecomeFirstResponder(VLInnerTextView& textView) override;

 private:
  void applyLook(const AssetKey& border, const AssetKey& background, double width);

  std::optional<ui::Font> font_;
  AssetKey textKey_;
  AssetKey backgroundKey_;
  AssetKey editBackgroundKey_;
  AssetKey borderKey_;
  AssetKey borderEditKey_;
  double borderWidth_ = 0;
  double radius_ = 0;
  KeyViewLinks keyViewLinks_;
  std::shared_ptr<ui::ScrollView> scrollView_;
  std::shared_ptr<VLInnerTextView> textView_;
};

}  // namespace vl
