#include "snippets/SnippetsEditView.h"

#include "platform/foundation/Localization.h"
#include "platform/foundation/Text.h"
#include "platform/ui/controls/Beep.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr const char* kSheetBackgroundKey = "modalAlertBackgroundColor";
constexpr const char* kFeedbackColorKey = "premissionVellistoRedGradinetStart";

}  // namespace

std::shared_ptr<SnippetsEditView> SnippetsEditView::initWithMode(Mode mode, Action ok, Action cancel) {
  auto sheet = Alert::ofTitle<SnippetsEditView>("", std::move(ok), std::move(cancel));
  sheet->mode_ = mode;
  sheet->buildParts();
  return sheet;
}

std::shared_ptr<PassthroughAndArrowCursorTextView> SnippetsEditView::makeLabel(const std::string& key) {
  auto label = PassthroughAndArrowCursorTextView::create();
  label->setString(localized(key) + ":");
  label->setAlignment(ui::TextAlignment::Right);
  label->setFont(ui::Font::systemFont(13));
  label->setEditable(false);
  setBackgroundColorAssetKey(*label, "clear");
  setTextColorAssetKey(*label, "fontNormalColor");
  addSubview(label);
  return label;
}

void SnippetsEditView::buildParts() {
  aliasFixedTextView_ = makeLabel("alias");
  snippetFixedTextView_ = makeLabel("snippet");

  aliasTextField_ = VLTextField::create();
  aliasTextField_->setFont(ui::Font::systemFont(13));
  aliasTextField_->setPlaceholderAssetKey("searchInputPlaceHolderColor");
  aliasTextField_->setAlignment(ui::TextAlignment::Left);
  aliasTextField_->setRadius(5);
  aliasTextField_->setBorderWidth(1);
  aliasTextField_->setTextFieldBackgroundColorAssetKey(std::string(kSheetBackgroundKey));
  aliasTextField_->setTextFieldEditBackgroundColorAssetKey("alaisTextFieldSelectedBackgroundColor");
  aliasTextField_->setBorderColorAssetKey("lineColor");
  aliasTextField_->setBorderEditColorAssetKey("accentColor");
  aliasTextField_->setNormalTextColorAssetKey("fontNormalColor");
  aliasTextField_->setEditTextColorAssetKey("fontNormalColor");
  addSubview(aliasTextField_);

  snippetTextView_ = VLScrollTextView::create();
  snippetTextView_->setFont(ui::Font::systemFont(13));
  snippetTextView_->setRadius(5);
  snippetTextView_->setBorderWidth(1);
  snippetTextView_->setTextColorAssetKey("fontNormalColor");
  snippetTextView_->setTextViewBackgroundColorAssetKey(std::string(kSheetBackgroundKey));
  snippetTextView_->setTextViewEditBackgroundColorAssetKey("alaisTextFieldSelectedBackgroundColor");
  snippetTextView_->setBorderColorAssetKey("lineColor");
  snippetTextView_->setBorderEditColorAssetKey("accentColor");
  addSubview(snippetTextView_);
  // Tab goes from the alias to the text, Shift+Tab back; in the text Tab is typed, as Return is (a
  // snippet may well be indented), and of two fields the one before the alias is the text.
  aliasTextField_->keyViewLinks().setNext(snippetTextView_->textView());
  aliasTextField_->keyViewLinks().setPrevious(snippetTextView_->textView());
  snippetTextView_->keyViewLinks().setPrevious(aliasTextField_->textField());

  feedback_ = PassthroughAndArrowCursorTextView::create();
  feedback_->setFont(ui::Font::systemFont(12));
  feedback_->setEditable(false);
  setBackgroundColorAssetKey(*feedback_, "clear");
  setTextColorAssetKey(*feedback_, std::string(kFeedbackColorKey));
  addSubview(feedback_);
}

std::string SnippetsEditView::alais() { return aliasTextField_->text(); }
void SnippetsEditView::setAlais(const std::string& alias) { aliasTextField_->setText(alias); }
std::string SnippetsEditView::snippet() { return heldText_ ? *heldText_ : snippetTextView_->text(); }

void SnippetsEditView::setSnippet(const std::string& text) {
  const bool tooLong = utf16Length(text) > kEditableUnits;
  heldText_.reset();
  if (tooLong) heldText_ = text;
  snippetTextView_->setText(tooLong ? cutToUtf16Length(text, kEditableUnits) + "\n…" : text);
  snippetTextView_->textView()->setEditable(!tooLong);
  feedback_->setString(tooLong ? localized("pref.snippet.tooLong") : "");
}

bool SnippetsEditView::canDoOkAction() {
  std::string why;
  if (alais().empty()) {
    why = "pref.snippet.aliasEmpty";
  } else if (snippet().empty()) {
    why = "pref.snippet.textEmpty";
  }
  if (why.empty()) return true;
  feedback_->setString(localized(why));
  ui::beep();
  return false;
}

ui::View* SnippetsEditView::initialFirstResponder() {
  return aliasTextField_ ? aliasTextField_->textField().get() : nullptr;
}

ui::Rect SnippetsEditView::startFrame(ui::Size host) const {
  return {50, host.height * 0.5, std::max(0.0, host.width - 100), 330};
}

void SnippetsEditView::viewDidMoveToSuperview() {
  Alert::viewDidMoveToSuperview();
  if (superview()) layoutParts();
}

void SnippetsEditView::layoutParts() {
  const double w = frame().width();
  const double h = frame().height();
  const double fieldW = std::max(0.0, w - 100 - 40);
  titleView()->setHidden(true);
  const double aliasY = h - 18 - 40;
  aliasFixedTextView_->setFrame({0, aliasY, 100, 18});
  aliasTextField_->setFrame({100, aliasY - 4, fieldW, 25});
  snippetFixedTextView_->setFrame({0, aliasY - 18 - 20, 100, 18});
  snippetTextView_->setFrame({100, aliasY - 200 - 20, fieldW, 200});
  feedback_->setFrame({100, 20, std::max(0.0, fieldW - 170), 18});
  cancelButton()->setHidden(false);
  okButton()->setTitle(localized(mode_ == kEdit ? "save" : "add"));
  const double okW = okButton()->frame().width();
  okButton()->setFrameOrigin({w - okW - 15, 15});
  cancelButton()->setFrameOrigin({w - okW - 15 - 15 - cancelButton()->frame().width(), 15});
}

}  // namespace vl
