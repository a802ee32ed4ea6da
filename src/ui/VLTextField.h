#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/text/Font.h"
#include "platform/ui/text/ParagraphStyle.h"
#include "platform/ui/text/TextField.h"
#include "theme/VLThemeCategories.h"
#include "ui/KeyViewLinks.h"
#include "ui/VLInnerTextField.h"

namespace vl {

class VLTextField;

// Told of every change the user makes to a VLTextField's text. Held weakly.
class VLTextFieldDelegate {
 public:
  virtual ~VLTextFieldDelegate() = default;
  virtual void textFieldDidChangeText(VLTextField& /*field*/, const std::string& /*text*/) {}
};

// The application's one-line input: a borderless text field inside a layer that draws the border and
// background from asset keys. It has a normal look and an edit look (the edit keys and a 2-point border)
// while the user types. Keys, font, width and radius set by code are only stored; they take effect each
// time the field joins a superview, which also brings back the normal look. Up and Down do nothing here,
// and Return hands the focus to the main window's search input. Follows theme and light/dark changes.
// Create with create(); main thread only.
class VLTextField : public VLThemed<ui::View>, public ui::TextFieldDelegate, public VLInnerTextFieldDelegate {
 public:
  // Where Return sends the focus; installed at start-up by the window that owns the search input.
  using SearchInputProvider = std::function<std::shared_ptr<ui::View>()>;
  static void setSearchInputProvider(SearchInputProvider provider);
  static bool hasSearchInputProvider();

  // The inner field's line height and how far it sits from the bottom: centred in the view.
  static constexpr double kInnerHeight = 18;

  explicit VLTextField(const ui::Rect& frame = {});
  static std::shared_ptr<VLTextField> create(const ui::Rect& frame = {});

  // Built on first use and added as the only subview.
  const std::shared_ptr<VLInnerTextField>& textField();
  const std::shared_ptr<VLInnerTextField>& entity() { return textField(); }

  std::string text();
  void setText(const std::string& text);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);

  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(std::string placeholder) { placeholder_ = std::move(placeholder); }
  const std::optional<ui::Font>& font() const { return font_; }
  void setFont(std::optional<ui::Font> font) { font_ = std::move(font); }
  ui::TextAlignment alignment() const { return alignment_; }
  void setAlignment(ui::TextAlignment alignment) { alignment_ = alignment; }
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double width) { borderWidth_ = width; }
  double radius() const { return radius_; }
  void setRadius(double radius) { radius_ = radius; }

  const AssetKey& placeholderAssetKey() const { return placeholderAssetKey_; }
  void setPlaceholderAssetKey(AssetKey key) { placeholderAssetKey_ = std::move(key); }
  const AssetKey& normalTextColorAssetKey() const { return normalTextColorAssetKey_; }
  void setNormalTextColorAssetKey(AssetKey key) { normalTextColorAssetKey_ = std::move(key); }
  const AssetKey& editTextColorAssetKey() const { return editTextColorAssetKey_; }
  void setEditTextColorAssetKey(AssetKey key) { editTextColorAssetKey_ = std::move(key); }
  const AssetKey& textFieldBackgroundColorAssetKey() const { return backgroundKey_; }
  void setTextFieldBackgroundColorAssetKey(AssetKey key) { backgroundKey_ = std::move(key); }
  const AssetKey& textFieldEditBackgroundColorAssetKey() const { return editBackgroundKey_; }
  void setTextFieldEditBackgroundColorAssetKey(AssetKey key) { editBackgroundKey_ = std::move(key); }
  const AssetKey& borderColorAssetKey() const { return borderKey_; }
  void setBorderColorAssetKey(AssetKey key) { borderKey_ = std::move(key); }
  const AssetKey& borderEditColorAssetKey() const { return borderEditKey_; }
  void setBorderEditColorAssetKey(AssetKey key) { borderEditKey_ = std::move(key); }

  std::shared_ptr<VLTextFieldDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<VLTextFieldDelegate>& d) { delegate_ = d; }
  // Where Tab and Shift+Tab take the keyboard; unlinked, Tab ends the editing.
  KeyViewLinks& keyViewLinks() { return keyViewLinks_; }

  void viewWillMoveToSuperview(ui::View* newSuperview) override;
  void resizeSubviewsWithOldSize(ui::Size oldSize) override;
  void lightOrDarkChanged() override;

  // The inner field's delegate.
  void controlTextDidChange(ui::TextField& field) override;
  void controlTextDidEndEditing(ui::TextField& field) override;
  bool controlTextViewDoCommandBySelector(ui::TextField& field, ui::TextView& editor,
                                          const std::string& command) override;
  void didBecomeFirstResponder(VLInnerTextField& field) override;

 private:
  void applyPlaceholder();
  void applyLook(const AssetKey& border, const AssetKey& background, const AssetKey& text, double width);
  ui::Rect innerFrame() const;

  bool enabled_ = true;
  std::string placeholder_;
  std::optional<ui::Font> font_;
  AssetKey placeholderAssetKey_;
  AssetKey normalTextColorAssetKey_;
  AssetKey editTextColorAssetKey_;
  AssetKey backgroundKey_;
  AssetKey editBackgroundKey_;
  AssetKey borderKey_;
  AssetKey borderEditKey_;
  double borderWidth_ = 0;
  double radius_ = 0;
  ui::TextAlignment alignment_ = ui::TextAlignment::Natural;
  std::weak_ptr<VLTextFieldDelegate> delegate_;
  KeyViewLinks keyViewLinks_;
  std::shared_ptr<VLInnerTextField> textField_;
};

}  // namespace vl
