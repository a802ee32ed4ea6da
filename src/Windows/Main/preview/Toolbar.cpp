#include "Windows/Main/preview/Toolbar.h"

#include <algorithm>

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/list/DeleteRecords.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/foundation/Localization.h"
#include "platform/ui/window/Window.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {
namespace {

constexpr double kControlWidth = 150;
constexpr double kControlHeight = 25;
constexpr double kGap = 10;

}  // namespace

std::shared_ptr<Toolbar> Toolbar::create() {
  auto bar = std::make_shared<Toolbar>();
  bar->build();
  LocalShortcutsManager::shared().registerReceiver(std::shared_ptr<ShortcutReceiver>(bar, bar.get()),
                                                   LocalShortcutsManager::Order::Toolbar);
  return bar;
}

Toolbar::Toolbar() : ThemeView({0, 0, kWidth, kHeight}) {}

Toolbar::~Toolbar() { LocalShortcutsManager::shared().unregisterReceiver(this); }

void Toolbar::build() {
  setBackgroundColorAssetKey(*this, "toolbarBackgroundColor");
  auto self = std::static_pointer_cast<Toolbar>(shared_from_this());

  aliasText_ = VLTextField::create({0, 0, kControlWidth, kControlHeight});
  aliasText_->setFont(VLFont::mainFont());
  aliasText_->setPlaceholder(localized("preview.alias"));
  aliasText_->setDelegate(std::shared_ptr<VLTextFieldDelegate>(self, self.get()));
  aliasText_->setAlignment(ui::TextAlignment::Center);
  aliasText_->setRadius(5);
  aliasText_->setPlaceholderAssetKey("searchInputPlaceHolderColor");
  aliasText_->setTextFieldBackgroundColorAssetKey("classicBackgroundColor");
  aliasText_->setTextFieldEditBackgroundColorAssetKey("white");
  aliasText_->setNormalTextColorAssetKey("fontNormalColor");
  aliasText_->setEditTextColorAssetKey("accentTextColor");
  aliasText_->setBorderWidth(1);
  aliasText_->setBorderColorAssetKey("lineColor");
  aliasText_->setBorderEditColorAssetKey("accentColor");
  addSubview(aliasText_);

  delItemButton_ = Button3::create({0, 0, kControlWidth, kControlHeight});
  delItemButton_->setTitle(localized("preview.del"));
  delItemButton_->setRadius(4);
  delItemButton_->setFont(VLFont::mainFont());
  delItemButton_->setAlignment(ui::TextAlignment::Center);
  delItemButton_->setButtonBackgroundColorAssetKey("accentColor");
  delItemButton_->setTextColorAssetKey("white");
  delItemButton_->setTextDisabledColorAssetKey("disableFontColor");
  // Off, its grey title stands on a plain face, where it reads.
  delItemButton_->setButtonBackgroundDisabledColorAssetKey("viceButtonBackgroundColor");
  delItemButton_->setTarget(self);
  delItemButton_->setAction("delItem:");
  setActionHandler("delItem:", [this](ui::ActionTarget*) { delItem(); });
  addSubview(delItemButton_);
  delItemButton_->setEnabled(true);

  line_ = Line::ofWidth(static_cast<int>(kWidth), ui::Point{0, 0});
  addSubview(line_);
  resizeSubviewsWithOldSize(frame().size);
}

void Toolbar::resizeSubviewsWithOldSize(ui::Size oldSize) {
  ThemeView::resizeSubviewsWithOldSize(oldSize);
  if (!aliasText_) return;
  const double w = bounds().width(), h = bounds().height();
  const double fw = aliasText_->frame().width(), bw = delItemButton_->frame().width();
  const double x = (w - (fw + bw + kGap)) / 2;
  aliasText_->setFrameOrigin({x, std::max(0.0, (h - aliasText_->frame().height()) / 2)});
  delItemButton_->setFrameOrigin({x + fw + kGap, std::max(0.0, (h - delItemButton_->frame().height()) / 2)});
  line_->setWidth(static_cast<int>(w), {0, 0});
}

bool Toolbar::resolvedShortcutKey(const std::string& name) {
  if (name == "historyDel") {
    // Nothing is deleted from under a sheet, the detail overlay, or while the keyboard is elsewhere.
    const PreviewColumnHooks& column = PreviewColumnHooks::current();
    if ((column.blocked && column.blocked()) || !MainViewController::shortcutsReach(*this)) return false;
    const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
    // The search field must not take the key press as an edit of its own while the records go.
    if (hooks.setSearchEditable) hooks.setSearchEditable(false);
    delItem();
    if (hooks.setSearchEditable) hooks.setSearchEditable(true);
    return true;
  }
  return name == "previewSnippet";
}

void Toolbar::delItem() { deleteSelectedRecords(); }

void Toolbar::textFieldDidChangeText(VLTextField&, const std::string& alias) {
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  auto list = hooks.listOrNull();
  const auto row = list ? list->lastSelectedItem() : nullptr;
  // The store keeps an alias that is given as empty: the record simply keeps its name. Any other alias
  // is taken as typed, blanks and another record's name included: typing it finds every record it names.
  if (!row || alias.empty() || !recordShown_) return;
  VLEngine::shared().updateContext(row->string(), alias, row->json(), hooks.tabId(), true);
}

std::string Toolbar::getAlias() const {
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  auto list = hooks.listOrNull();
  const auto row = list ? list->lastSelectedItem() : nullptr;
  if (!row) return {};
  const auto chunk = VLEngine::shared().getChunkByContext(row->string(), row->json(), hooks.tabId());
  if (!chunk) return {};
  return chunk->alias().value_or("");
}

void Toolbar::update() { aliasText_->setText(getAlias()); }

void Toolbar::setAlias(const std::string& alias) { aliasText_->setText(alias); }

void Toolbar::clear() { aliasText_->setText(""); }

void Toolbar::clipboardItemAppeared(bool isClipboardItem) { delItemButton_->setEnabled(isClipboardItem); }

void Toolbar::setEnabled(bool enabled) {
  enabled_ = enabled;
  aliasText_->setEnabled(enabled && recordShown_);
  delItemButton_->setEnabled(enabled);
}

void Toolbar::enableAlaisText(bool enabled) { aliasText_->setEnabled(enabled && recordShown_); }

void Toolbar::setRecordShown(bool shown) {
  recordShown_ = shown;
  if (!shown) {
    // A field that goes must not keep the keyboard: it returns to the search input.
    if (aliasHasKeyboard()) resignAlaisText();
    aliasText_->setText("");
  }
  aliasText_->setEnabled(enabled_ && shown);
  // Nothing of a record to name or delete: neither the name field nor the delete button shows.
  aliasText_->setHidden(!shown);
  delItemButton_->setHidden(!shown);
}

void Toolbar::resignAlaisText() {
  // Only the alias field lets go: a search field that has the keyboard keeps it, its caret and its text
  // unselected (the thinking bar taking the keys asks this too).
  if (aliasHasKeyboard()) window()->makeFirstResponder(nullptr);
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  if (hooks.focusSearchInput) hooks.focusSearchInput();
}

bool Toolbar::aliasHasKeyboard() const {
  const ui::Window* w = window();
  const auto* keyboard = w ? dynamic_cast<const ui::View*>(w->firstResponder()) : nullptr;
  return keyboard && keyboard->isDescendantOf(aliasText_.get());
}

bool Toolbar::delivered(const ui::Event& event) {
  if (event.keyCode() == 36) {
    const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
    if (hooks.focusSearchInput) hooks.focusSearchInput();
  }
  return true;
}

}  // namespace vl
