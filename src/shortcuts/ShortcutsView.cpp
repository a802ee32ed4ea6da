#include "shortcuts/ShortcutsView.h"

#include "platform/foundation/Localization.h"
#include "platform/ui/view/Layer.h"
#include "shortcuts/VLShortcutCenter.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {
std::shared_ptr<Button2> tabButton(const ui::Rect& frame, const std::string& title) {
  auto button = Button2::create(frame);
  button->setTitle(title);
  button->setRadius(4);
  button->setTextColorAssetKey(std::string("fontNormalColor"));
  button->setTextSelectedColorAssetKey(std::string("white"));
  button->setButtonBackgroundColorAssetKey(std::string("clear"));
  button->setButtonBackgroundSelectedColorAssetKey(std::string("accentColor"));
  button->setFont(ui::Font::systemFont(13));
  button->setAlignment(ui::TextAlignment::Center);
  button->setVerticalCenter(true);
  return button;
}
}  // namespace

std::shared_ptr<ShortcutsToolbar> ShortcutsToolbar::create(const ui::Rect& frame) {
  auto bar = std::make_shared<ShortcutsToolbar>(frame);
  bar->build();
  return bar;
}

void ShortcutsToolbar::build() {
  const double h = frame().size.height;
  allButton_ = tabButton({10, 8, 45, h - 16}, localized("pref.shortcuts.all"));
  conflictsButton_ = tabButton({10 + 45 + 5, 8, 110, h - 16}, localized("pref.shortcuts.conflicts"));
  std::weak_ptr<ShortcutsToolbar> weak = std::static_pointer_cast<ShortcutsToolbar>(shared_from_this());
  allButton_->setActionHandler("allClick:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->allClick();
  });
  allButton_->setTarget(allButton_);
  allButton_->setAction("allClick:");
  conflictsButton_->setActionHandler("conflictsClick:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->conflictsClick();
  });
  conflictsButton_->setTarget(conflictsButton_);
  conflictsButton_->setAction("conflictsClick:");
  addSubview(allButton_);
  addSubview(conflictsButton_);
  line_ = Line::ofWidth(static_cast<int>(frame().size.width));
  addSubview(line_);
}

void ShortcutsToolbar::allClick() {
  allButton_->setSelected(true);
  conflictsButton_->setSelected(false);
  if (auto d = delegate_.lock()) d->shortcutToolbarDidClickAll(*this);
}

void ShortcutsToolbar::conflictsClick() {
  allButton_->setSelected(false);
  conflictsButton_->setSelected(true);
  if (auto d = delegate_.lock()) d->shortcutToolbarDidClickConflict(*this);
}

void ShortcutsToolbar::setConflictCount(long count) {
  conflictsButton_->setTitle(localized("pref.shortcuts.conflicts") + " (" + std::to_string(count) + ")");
}

std::shared_ptr<ShortcutsView> ShortcutsView::create() {
  auto view = std::make_shared<ShortcutsView>();
  view->build();
  return view;
}

void ShortcutsView::build() {
  auto self = std::static_pointer_cast<ShortcutsView>(shared_from_this());
  setWantsLayer(true);
  setBackgroundColorAssetKey(*layer(), std::string("clear"));
  const double h = frame().size.height;
  containerView_ = ui::View::create({40, h - 30 - 335, 570, 335});
  containerView_->setWantsLayer(true);
  containerView_->layer()->setBorderWidth(1);
  setBorderColorAssetKey(*containerView_->layer(), std::string("lineColor"));
  addSubview(containerView_);

  const double ch = containerView_->frame().size.height;
  toolbar_ = ShortcutsToolbar::create({0, ch - 35, 570, 35});
  toolbar_->setDelegate(
      std::shared_ptr<ShortcutsToolbarDelegate>(self, static_cast<ShortcutsToolbarDelegate*>(this)));
  shortcutsTableView_ = ShortcutsTableView::create({0, ch - 35 - 300, 570, 300});
  shortcutsTableView_->setDelegate(
      std::shared_ptr<ShortcutsTableViewDelegate>(self, static_cast<ShortcutsTableViewDelegate*>(this)));
  containerView_->addSubview(shortcutsTableView_);
  containerView_->addSubview(toolbar_);
  // Opening shows every shortcut, with the conflicts counted.
  toolbar_->allClick();

  reset_ = Button2::create({kWidth - 150 - 40, containerView_->frame().origin.y - 25 - 15, 150, 25});
  reset_->setTitle(localized("pref.shortcuts.reset"));
  reset_->setAlignment(ui::TextAlignment::Center);
  reset_->setRadius(4);
  reset_->setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
  reset_->setButtonBackgroundHighlightedColorAssetKey(std::string("viceButtonHighlightedBackgroundColor"));
  reset_->setTextColorAssetKey(std::string("fontNormalColor"));
  reset_->setBorderWidth(1);
  reset_->setBorderColorAssetKey(std::string("viceButtonBorderColor"));
  reset_->setFont(ui::Font::systemFont(13));
  std::weak_ptr<ShortcutsView> weak = self;
  reset_->setActionHandler("resetClick:", [weak](ui::ActionTarget*) {
    if (auto view = weak.lock()) view->resetClick();
  });
  reset_->setTarget(reset_);
  reset_->setAction("resetClick:");
  addSubview(reset_);
}

void ShortcutsView::resetClick() {
  VLShortcutCenter::defaultCenter().restore();
  shortcutsTableView_->reloadByRestore();
}

void ShortcutsView::viewWillDisappear() {
  NotificationCenter::defaultCenter().post(ShortcutsEditButton::kShouldStopMonitor);
  shortcutsTableView_->reloadTableView();
}

void ShortcutsView::shortcutToolbarDidClickAll(ShortcutsToolbar&) { shortcutsTableView_->switchToAllData(); }

void ShortcutsView::shortcutToolbarDidClickConflict(ShortcutsToolbar&) {
  shortcutsTableView_->switchToConflictData();
}

void ShortcutsView::shortcutsTableViewResetConflicts(ShortcutsTableView&, long count) {
  toolbar_->setConflictCount(count);
}

}  // namespace vl
