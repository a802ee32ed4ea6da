#include "ui/VLTextField.h"

#include <utility>

#include "platform/foundation/Log.h"
#include "platform/ui/window/Window.h"
#include "theme/VLThemeAttributedString.h"
#include "ui/EditFrameLook.h"

namespace vl {

namespace {

VLTextField::SearchInputProvider& searchInputProvider() {
  static VLTextField::SearchInputProvider provider;
  return provider;
}

}  // namespace

void VLTextField::setSearchInputProvider(SearchInputProvider provider) {
  searchInputProvider() = std::move(provider);
}

bool VLTextField::hasSearchInputProvider() { return static_cast<bool>(searchInputProvider()); }

VLTextField::VLTextField(const ui::Rect& frame) : VLThemed<ui::View>(frame) { setWantsLayer(true); }

std::shared_ptr<VLTextField> VLTextField::create(const ui::Rect& frame) {
  auto field = std::make_shared<VLTextField>(frame);
  field->textField();
  // The placeholder's colour lives in an attributed string, which follows no change by itself.
  field->themeManager();
  return field;
}

const std::shared_ptr<VLInnerTextField>& VLTextField::textField() {
  if (textField_) return textField_;
  textField_ = VLInnerTextField::create();
  textField_->setAutomaticTextCompletionEnabled(false);
  textField_->setBordered(false);
  textField_->setBezeled(false);
  textField_->setDrawsBackground(false);
  textField_->setBackgroundColor(ui::Color::clear());
  auto me = std::static_pointer_cast<VLTextField>(self());
  if (me) {
    textField_->setDelegate(std::static_pointer_cast<ui::TextFieldDelegate>(me));
    textField_->setAddOnDelegate(std::static_pointer_cast<VLInnerTextFieldDelegate>(me));
  }
  addSubview(textField_);
  return textField_;
}

std::string VLTextField::text() { return textField()->stringValue(); }

void VLTextField::setText(const std::string& text) { textField()->setStringValue(text); }

void VLTextField::setEnabled(bool enabled) {
  enabled_ = enabled;
  textField()->setEnabled(enabled);
}

ui::Rect VLTextField::innerFrame() const {
  const ui::Rect b = bounds();
  return {0, (b.height() - kInnerHeight) * 0.5, b.width(), kInnerHeight};
}

void VLTextField::resizeSubviewsWithOldSize(ui::Size oldSize) {
  VLThemed<ui::View>::resizeSubviewsWithOldSize(oldSize);
  if (textField_) textField_->setFrame(innerFrame());
}

void VLTextField::viewWillMoveToSuperview(ui::View* newSuperview) {
  VLThemed<ui::View>::viewWillMoveToSuperview(newSuperview);
  const std::shared_ptr<VLInnerTextField>& inner = textField();
  inner->setAlignment(alignment_);
  applyPlaceholder();
  // Unlike the frame colours, the edit text colour is not filled from the normal one.
  fillEditKeys(borderKey_, backgroundKey_, borderEditKey_, editBackgroundKey_);
  vl::setTextColorAssetKey(*inner, normalTextColorAssetKey_);
  if (font_) inner->setFont(*font_);
  inner->setFrame(innerFrame());
  setUpFrameLook(*layer(), radius_, borderKey_, backgroundKey_, borderWidth_);
}

void VLTextField::applyPlaceholder() {
  if (placeholder_.empty()) {
    textField()->setPlaceholderAttributedString(std::nullopt);
    return;
  }
  ui::AttributedString placeholder(placeholder_);
  const Range all{0, placeholder.length()};
  if (placeholderAssetKey_)
    addAttribute(placeholder, ui::TextAttribute::ForegroundColor, *placeholderAssetKey_, all);
  if (font_) {
    ui::TextAttributes withFont;
    withFont.font = *font_;
    placeholder.addAttributes(withFont, all);
  }
  textField()->setPlaceholderAttributedString(std::move(placeholder));
}

void VLTextField::lightOrDarkChanged() {
  VLThemed<ui::View>::lightOrDarkChanged();
  if (textField_ && textField_->placeholderAttributedString()) applyPlaceholder();
}

void VLTextField::applyLook(const AssetKey& border, const AssetKey& background, const AssetKey& text,
                            double width) {
  applyFrameLook(*layer(), border, background, width);
  vl::setTextColorAssetKey(*textField(), text);
}

void VLTextField::didBecomeFirstResponder(VLInnerTextField&) {
  applyLook(borderEditKey_, editBackgroundKey_, editTextColorAssetKey_, 2);
}

void VLTextField::controlTextDidEndEditing(ui::TextField&) {
  applyLook(borderKey_, backgroundKey_, normalTextColorAssetKey_, 1);
}

void VLTextField::controlTextDidChange(ui::TextField& field) {
  std::shared_ptr<View> keep = self();
  if (auto d = delegate()) d->textFieldDidChangeText(*this, field.stringValue());
}

bool VLTextField::controlTextViewDoCommandBySelector(ui::TextField&, ui::TextView&,
                                                     const std::string& command) {
  // The arrows belong to the list beside the field, not to moving the caret.
  if (command == "moveUp:" || command == "moveDown:") return true;
  if (keyViewLinks_.follow(*this, command)) return true;
  if (command == "insertNewline:") {
    std::shared_ptr<ui::View> input = searchInputProvider() ? searchInputProvider()() : nullptr;
    if (input && input->window())
      input->window()->makeFirstResponder(input.get());
    else
      logWarning("VLTextField: Return with no search input to focus");
    return true;
  }
  return false;
}

}  // namespace vl
