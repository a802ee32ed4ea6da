#include "shortcuts/ShortcutsRowView.h"

#include "shortcuts/ShortcutsTableView.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {
std::shared_ptr<PassthroughAndArrowCursorTextView> label() {
  auto text = PassthroughAndArrowCursorTextView::create();
  text->setAlignment(ui::TextAlignment::Left);
  text->setFont(ui::Font::systemFont(13));
  text->setEditable(false);
  setBackgroundColorAssetKey(*text, std::string("clear"));
  setTextColorAssetKey(*text, std::string("fontNormalColor"));
  return text;
}
}  // namespace

bool ShortcutsRowView::isSectionName(const std::string& name) {
  return name == "clipboardHistory" || name == "thinkingBar" || name == "pin";
}

std::shared_ptr<ShortcutsRowView> ShortcutsRowView::create(const ui::Rect& frame) {
  auto row = std::make_shared<ShortcutsRowView>(frame);
  row->build();
  return row;
}

void ShortcutsRowView::build() {
  explainTextView_ = label();
  addSubview(explainTextView_);
  alertTextView_ = label();
  alertTextView_->setString("⚠️");
  addSubview(alertTextView_);
  shortcutsEditButton_ = ShortcutsEditButton::create({});
  std::weak_ptr<ShortcutsRowView> weak = std::static_pointer_cast<ShortcutsRowView>(shared_from_this());
  shortcutsEditButton_->setActionHandler("edit:", [weak](ui::ActionTarget*) {
    if (auto row = weak.lock()) row->edit();
  });
  shortcutsEditButton_->setTarget(shortcutsEditButton_);
  shortcutsEditButton_->setAction("edit:");
  addSubview(shortcutsEditButton_);
  setBackgroundColorAssetKey(*this, std::string("clear"));
}

void ShortcutsRowView::setShortcut(VLShortcut* shortcut) {
  shortcut_ = shortcut;
  if (!shortcut) return;
  // The row is flipped (y down); the frames keep the same distances from the top and bottom. The
  // scroller floats over the rows' right edge, so the press and the mark keep clear of it.
  constexpr double kScroller = 14;
  const ui::Size size{frame().size.width - kScroller, frame().size.height};
  isSection_ = isSectionName(shortcut->key());
  explainTextView_->setFrame({isSection_ ? 5.0 : 40.0, (size.height - 18) / 2, 250, 18});
  shortcutsEditButton_->setFrame({size.width - 210, (size.height - 25) / 2, 180, 25});
  alertTextView_->setFrame({size.width - 30, (size.height - 18) / 2, 30, 18});
  shortcutsEditButton_->setHidden(isSection_);
  alertTextView_->setHidden(isSection_ || !shortcut->isConflict());
  explainTextView_->setString(shortcut->explain());
  shortcutsEditButton_->setText(shortcut->getDisplay());
  if (auto table = weakTableView_.lock()) shortcutsEditButton_->setDelegate(table->asEditButtonDelegate());
}

void ShortcutsRowView::viewDidMoveToSuperview() {
  ui::TableRowView::viewDidMoveToSuperview();
  setShortcut(shortcut_);
}

void ShortcutsRowView::setSelected(bool selected) {
  ui::TableRowView::setSelected(selected);
  const bool shown = selected && !isSection_;
  setBackgroundColorAssetKey(*this, std::string(shown ? "accentColor" : "clear"));
  setTextColorAssetKey(*explainTextView_, std::string(shown ? "white" : "fontNormalColor"));
  shortcutsEditButton_->setSelected(shown);
}

void ShortcutsRowView::edit() {
  if (isSelected()) {
    shortcutsEditButton_->setEdit(true);
    return;
  }
  if (auto table = weakTableView_.lock()) table->selectRowOf(*this);
}

}  // namespace vl
