#include "Windows/Main/paste/PastePopoverViewController.h"

#include "core/VLConfig.h"
#include "platform/foundation/Localization.h"
#include "platform/ui/menu/Popover.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/controls/ButtonTextView.h"

namespace vl {

namespace {

constexpr double kMargin = 10;
constexpr double kLineHeight = 18;
constexpr double kContentHeight = 80;
constexpr double kButtonWidth = 150;

PastePopoverViewController::SelectedText& selectedTextSource() {
  static PastePopoverViewController::SelectedText* source = new PastePopoverViewController::SelectedText();
  return *source;
}

double width(const std::shared_ptr<ui::View>& view) { return view->frame().width(); }
double height(const std::shared_ptr<ui::View>& view) { return view->frame().height(); }

}  // namespace

void PastePopoverViewController::setSelectedTextSource(SelectedText source) {
  selectedTextSource() = std::move(source);
}

bool PastePopoverViewController::hasSelectedTextSource() { return static_cast<bool>(selectedTextSource()); }

void PastePopoverViewController::viewDidLoad() {
  if (auto shown = popover()) view()->setFrameSize(shown->contentSize());
  // The popover's own window has no theme: the content brings the window's colour, or light text would
  // stand on a light ground in dark mode.
  view()->setWantsLayer(true);
  setBackgroundColorAssetKey(*view()->layer(), "vellistoBackgroundColorSystem11");
  howToTextView();
  contentBgView();
  contentTextView();
  dismissButton();
}

const std::shared_ptr<PassthroughAndArrowCursorTextView>& PastePopoverViewController::howToTextView() {
  if (howToTextView_) return howToTextView_;
  const std::shared_ptr<ui::View>& root = view();
  howToTextView_ = PassthroughAndArrowCursorTextView::create(
      {kMargin, height(root) - kMargin - kLineHeight, width(root) - 2 * kMargin, kLineHeight});
  howToTextView_->setString(localized("popover.paste.tips"));
  howToTextView_->setAlignment(ui::TextAlignment::Left);
  howToTextView_->setFont(ui::Font::systemFont(13));
  setBackgroundColorAssetKey(*howToTextView_, "clear");
  setTextColorAssetKey(*howToTextView_, "fontNormalColor");
  howToTextView_->setEditable(false);
  root->addSubview(howToTextView_);
  return howToTextView_;
}

const std::shared_ptr<ui::View>& PastePopoverViewController::contentBgView() {
  if (contentBgView_) return contentBgView_;
  const std::shared_ptr<ui::View>& root = view();
  const double top = howToTextView()->frame().minY();
  contentBgView_ =
      ui::View::create({kMargin, top - kMargin - kContentHeight, width(root) - 2 * kMargin, kContentHeight});
  contentBgView_->setWantsLayer(true);
  setBackgroundColorAssetKey(*contentBgView_->layer(), "popoverTextViewBackgroundColor");
  contentBgView_->layer()->setCornerRadius(5);
  root->addSubview(contentBgView_);
  return contentBgView_;
}

const std::shared_ptr<PassthroughAndArrowCursorTextView>& PastePopoverViewController::contentTextView() {
  if (contentTextView_) return contentTextView_;
  contentTextView_ =
      PassthroughAndArrowCursorTextView::create({0, 0, width(view()) - 2 * kMargin, kContentHeight});
  contentTextView_->setTextContainerInset({0, kMargin});
  contentTextView_->setMaximumNumberOfLines(5);
  contentTextView_->setAlignment(ui::TextAlignment::Left);
  contentTextView_->setFont(ui::Font::systemFont(13));
  setTextColorAssetKey(*contentTextView_, "fontNormalColor");
  contentTextView_->setDrawsBackground(false);
  contentTextView_->setEditable(false);
  contentBgView()->addSubview(contentTextView_);
  return contentTextView_;
}

const std::shared_ptr<ButtonTextView>& PastePopoverViewController::dismissButton() {
  if (dismissButton_) return dismissButton_;
  dismissButton_ =
      ButtonTextView::create({width(view()) - kMargin - kButtonWidth, kMargin, kButtonWidth, kLineHeight});
  dismissButton_->setText(localized("popover.paste.dismiss"));
  dismissButton_->setAlignment(ui::TextAlignment::Right);
  dismissButton_->setFont(ui::Font::systemFont(13));
  dismissButton_->setBackgroundColorAssetKey("clear");
  dismissButton_->setTextColorAssetKey("fontNormalColor");
  dismissButton_->setTarget(shared_from_this());
  dismissButton_->setAction(kDismissAction);
  view()->addSubview(dismissButton_);
  return dismissButton_;
}

void PastePopoverViewController::viewWillAppear() {
  const SelectedText& source = selectedTextSource();
  contentTextView()->setString(source ? source() : std::string());
}

void PastePopoverViewController::dismissClick() {
  VLConfig::shared().setBoolValueOfKey(VLConfig::kShowPastePopover, false);
  if (auto shown = popover()) shown->close();
}

bool PastePopoverViewController::respondsToAction(const std::string& action) const {
  return action == kDismissAction || ui::ViewController::respondsToAction(action);
}

bool PastePopoverViewController::performAction(const std::string& action, ui::ActionTarget* sender) {
  if (action != kDismissAction) return ui::ViewController::performAction(action, sender);
  dismissClick();
  return true;
}

}  // namespace vl
