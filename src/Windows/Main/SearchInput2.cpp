#include "Windows/Main/SearchInput2.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageManager.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchHistory.h"
#include "VLEngine/search/SearchQuery.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/ThinkingBarSlot.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/list/ContextualMenu.h"
#include "Windows/Main/list/FocusStash.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/paste/PasteService.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Main/preview/SpaceControl.h"
#include "core/VLConfig.h"
#include "core/VLConstants.h"
#include "core/web/WebSearch.h"
#include "core/web/WebSearchBrowser.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/system/CrashAnalyticsService.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"
#include "shortcuts/KeyboardListener.h"
#include "shortcuts/ShortcutHelper.h"
#include "theme/VLThemeAttributedString.h"
#include "theme/VLThemeCategories.h"
#include "ui/controls/Button2.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/PanelCenter.h"

namespace vl {

namespace {

// Whether the key press being handled is the one stored for the named shortcut.
bool currentPressNames(const std::string& name) {
  const ui::Event* event = ui::Application::shared().currentEvent();
  if (!event || event->type() != ui::EventType::KeyDown) return false;
  const auto flags =
      static_cast<std::int64_t>(event->modifierFlags() & ui::ModifierFlags::DeviceIndependentMask);
  const std::vector<std::string> names = ShortcutHelper::namesOfPress(
      VLConfig::shared().getValueOfKey(VLConfig::kUserShortcuts), flags, event->keyCode());
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool movesCaret(std::string_view command) {
  return command.starts_with("move") || command.starts_with("scroll") || command.starts_with("page");
}

bool isPng(std::string_view bytes) { return bytes.starts_with("\x89PNG\r\n\x1a\n"); }

std::string activePinTabId() {
  const PasteHooks& hooks = PasteService::hooks();
  if (hooks.activePinTabId) {
    std::string id = hooks.activePinTabId();
    if (!id.empty()) return id;
  }
  if (auto directory = VLEngine::shared().tabDirectory()) {
    if (auto tab = directory->activeTab()) return tab->pinTabId();
  }
  return kClipboardPinTabId;
}

}  // namespace

SearchInput2::SearchInput2() : ThemeView({{0, 0}, kSize}) {
  textField_ = ui::TextField::create({10, 5, kSize.width - 20 - 48, kSize.height - 20});
  textField_->setBordered(false);
  textField_->setBezeled(false);
  textField_->setDrawsBackground(false);
  textField_->setAutomaticTextCompletionEnabled(false);
  textField_->setFont(ui::Font::systemFont(kFontSize, ui::Font::WeightLight));
  addSubview(textField_);
  spacePreviewButton_ = Button2::create({kSize.width - 10 - 36, 2, 36, 36});
  spacePreviewButton_->setImageNamed("preview-expand-off");
  spacePreviewButton_->setSelectedImage(spacePreviewButton_->image());
  spacePreviewButton_->setSelected(!SpaceControl::shared().previewOff());
  addSubview(spacePreviewButton_);
}

std::shared_ptr<SearchInput2> SearchInput2::create() {
  auto input = std::make_shared<SearchInput2>();
  setBackgroundColorAssetKey(*input, "searchInputBackgroundColor");
  setTextColorAssetKey(*input->textField_, "fontNormalColor");
  input->applyPlaceholder();
  // The placeholder's colour lives in an attributed string, which follows no change by itself.
  input->themeManager();
  input->textField_->setDelegate(input);
  input->textField_->setTarget(input);
  input->textField_->setAction("enterPaste:");
  std::weak_ptr<SearchInput2> weak = input;
  input->setActionHandler("enterPaste:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->enterPaste();
  });
  input->spacePreviewButton_->setTarget(input);
  input->spacePreviewButton_->setAction("spacePreview:");
  input->setActionHandler("spacePreview:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->spacePreview();
  });
  LocalShortcutsManager::shared().registerReceiver(input, LocalShortcutsManager::Order::SearchField);
  return input;
}

void SearchInput2::applyPlaceholder() {
  ui::AttributedString placeholder(localized("searchinput.placeholder"));
  const Range all{0, placeholder.length()};
  addAttribute(placeholder, ui::TextAttribute::ForegroundColor, "searchInputPlaceHolderColor", all);
  ui::TextAttributes face;
  face.font = textField_->font();
  placeholder.addAttributes(face, all);
  textField_->setPlaceholderAttributedString(std::move(placeholder));
}

void SearchInput2::lightOrDarkChanged() {
  ThemeView::lightOrDarkChanged();
  applyPlaceholder();
}

std::string SearchInput2::text() const { return textCopy_.empty() ? textField_->stringValue() : textCopy_; }

void SearchInput2::clear() {
  textCopy_.clear();
  searched_.clear();
  textField_->setStringValue("");
}

void SearchInput2::focusField() {
  textField_->setEditable(true);
  auto window = WindowCenter::shared().windowForKey(kMainWindowKey);
  if (!window) return;
  // Already there (in its editor), it stays as it is: taken again, its text would be selected whole and
  // the next letter typed would replace the query.
  const auto* keyboard = dynamic_cast<const ui::View*>(window->firstResponder());
  if (keyboard && keyboard->isDescendantOf(textField_.get())) return;
  window->makeFirstResponder(textField_.get());
}

std::optional<Range> SearchInput2::caret() const {
  const ui::TextView* editor = textField_->currentEditor();
  if (!editor) return std::nullopt;
  return editor->selectedRange();
}

void SearchInput2::focusFieldAt(Range caret) {
  focusField();
  if (ui::TextView* editor = textField_->currentEditor()) editor->setSelectedRange(caret);
}

void SearchInput2::unfocusField() {
  textField_->setEditable(false);
  // A sheet that put the keyboard in a field of its own keeps it there.
  auto window = WindowCenter::shared().windowForKey(kMainWindowKey);
  if (window && window->firstResponder() == textField_.get()) window->makeFirstResponder(nullptr);
}

void SearchInput2::research() {
  if (!dispatch::MainLoop::isMainThread()) {
    // Posted, never waited for: the caller may hold a lock the main thread is about to take.
    std::weak_ptr<SearchInput2> weak = std::static_pointer_cast<SearchInput2>(self());
    dispatch::Queue::main()->async([weak] {
      if (auto input = weak.lock()) input->research();
    });
    return;
  }
  // The records or the tab may have changed: the next keystroke starts over from every record.
  searched_.clear();
  VLEngine::shared().seach(textField_->stringValue());
}

void SearchInput2::doSearch() {
  VLEngine::shared().seach(text());
  CrashAnalyticsService::shared().trackEvent("do-search");
}

void SearchInput2::controlTextDidChange(ui::TextField& field) {
  textCopy_ = field.stringValue();
  // Typing back to a text already shown replays its rows; the engine is not asked again.
  if (SearchHistory::shared().renderScreenshot(textCopy_)) return;
  // A text that extends the last one searched finds none but the last one's matches, which the engine
  // keeps and then searches alone; any other text starts over from every record.
  if (!SearchQuery::narrows(searched_, textCopy_)) VLEngine::shared().cleanMatchedChunks();
  searched_ = textCopy_;
  doSearch();
}

bool SearchInput2::controlTextViewDoCommandBySelector(ui::TextField&, ui::TextView&,
                                                      const std::string& command) {
  // The arrows move the list through the shortcut names and Tab switches pin tabs; the editor must not
  // act on them a second time.
  if (command == "moveUp:" || command == "moveDown:" || command == "insertNewlineIgnoringFieldEditor:" ||
      command == "insertTab:")
    return true;
  // The press that deletes the chosen records (Alt+Delete, or whatever the user stored) leaves the text.
  if (command.starts_with("delete") && currentPressNames("historyDel")) return true;
  if (command == "deleteBackward:" && text().size() == 1) SearchHistory::shared().clean();
  // A press a shortcut acted on moves no caret as well: Left and Right while the thinking bar holds the
  // keyboard, Ctrl+Up and Ctrl+Down handing it over, Shift+Up and Shift+Down extending the list's rows.
  if (movesCaret(command)) {
    const ui::Event* event = ui::Application::shared().currentEvent();
    return event && KeyboardListener::tookPress(*event);
  }
  return false;
}

void SearchInput2::spacePreview() { flipPreview(); }

void SearchInput2::flipPreview() {
  SpaceControl& space = SpaceControl::shared();
  space.setPreviewOff(!space.previewOff());
  spacePreviewButton_->setSelected(!space.previewOff());
}

bool SearchInput2::blocked() const { return PanelCenter::shared().isShown(); }

void SearchInput2::enterPaste() {
  if (blocked()) return;
  auto controller = controller_.lock();
  if (controller && controller->isShownDetail()) return;
  // Return while the thinking bar holds the keyboard runs its selected action.
  if (ThinkingBarSlot* bar = controller ? controller->thinkingBarSlot() : nullptr; bar && bar->isActive()) {
    bar->doActionAtSelected();
    return;
  }
  doPaste(false);
}

bool SearchInput2::resolvedShortcutKey(const std::string& name) {
  if (blocked()) return false;
  auto list = hintTable_.lock();
  auto controller = controller_.lock();
  // Under the detail overlay only its own press acts (it closes the overlay); with the keyboard in
  // another field or window none does.
  const bool closesDetail = name == "previewAcitve" && controller && controller->isShownDetail();
  if (!closesDetail && !MainViewController::shortcutsReach(*this)) return false;
  if (name == "enter") {
    auto window = WindowCenter::shared().windowForKey(kMainWindowKey);
    if (list && window && window->firstResponder() == list->tableView().get()) doPaste(false);
    return false;
  }
  if (name == "historyFilePreview") {
    auto row = list ? list->lastSelectedItem() : nullptr;
    if (row && controller && (IndexHelper::isFile(row->json()) || IndexHelper::isImage(row->json())))
      controller->showPreview();
    return true;
  }
  if (name == "previewAcitve") {
    if (!controller) return true;
    if (controller->isShownDetail()) {
      EscStack::shared().pop(false);
    } else {
      controller->showDetail();
      std::weak_ptr<MainViewController> weak = controller;
      EscStack::shared().push([weak](bool) {
        if (auto c = weak.lock()) c->dismissDetail();
        return true;
      });
    }
    return true;
  }
  if (name == "historySearch") {
    doSearchByEngine(true);
    return true;
  }
  if (name == "thinkingBarActive" || name == "historyActive") {
    // Without a thinking bar that can take the attention, the list keeps it.
    FocusStash* bar = controller ? controller->thinkingBarFocus() : nullptr;
    if (!list || !bar) return true;
    FocusStash& from = name == "thinkingBarActive" ? static_cast<FocusStash&>(*list) : *bar;
    FocusStash& to = name == "thinkingBarActive" ? *bar : static_cast<FocusStash&>(*list);
    from.stash();
    to.popStash();
    return true;
  }
  if (name == "fullMode") {
    flipPreview();
    return true;
  }
  if (name == "richText") {
    doPaste(true);
    return true;
  }
  if (name == "pinTabSwitch") {
    // Rows replayed for a text belong to the tab they were found in.
    SearchHistory::shared().clean();
    const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
    if (hooks.nextPinTab) hooks.nextPinTab();
    research();
    return true;
  }
  if (name == "pin" || name == "pinRecord") {
    ContextualMenu::factory().pin();
    return true;
  }
  return false;
}

void SearchInput2::doPaste(bool rich) {
  const std::string words = text();
  auto list = hintTable_.lock();
  const DisplayRows chosen = list ? list->selectedItems() : DisplayRows{};
  // The web-search row alone searches the web for the query.
  if (chosen.size() == 1 && chosen.front() && IndexHelper::isSearch(chosen.front()->json())) {
    doSearchByEngine(false);
    return;
  }
  // Only records are pasted: never the web search's label or a tab's tip.
  const DisplayRows rows = list ? list->selectedRecords() : DisplayRows{};
  if (rows.empty()) {
    // Nothing chosen: the clipboard keeps what the user copied.
    logWarning("paste: no record is chosen; nothing is pasted");
    return;
  }
  const PasteHooks& hooks = PasteService::hooks();
  const std::string tabId = activePinTabId();
  if (rows.size() == 1) {
    const std::optional<Json>& json = rows.front()->json();
    if (IndexHelper::isApp(json)) {
      const std::string path = json->value("app_path", std::string());
      if (!Workspace::shared()->launchApplication(path))
        logWarningf("paste: could not launch \"%s\"", path.c_str());
      PasteService::hideAfterPaste();
      return;
    }
    auto chunk = VLEngine::shared().selectContext(rows.front()->string(), words, json, tabId);
    if (hooks.setPasteChunk) hooks.setPasteChunk(chunk);
  }
  // Last to first, so the rows end at the head of the recent list in the order they were chosen.
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    VLEngine::shared().selectContext((*it)->string(), words, (*it)->json(), tabId);
  CrashAnalyticsService::shared().trackEvent("do-paste");
  PasteService::paste(pasteboardItems(rows, rich), "paste");
}

void SearchInput2::doSearchByEngine(bool useSelectedRow) {
  std::string query = text();
  if (useSelectedRow) {
    auto list = hintTable_.lock();
    auto row = list ? list->lastSelectedItem() : nullptr;
    query = row ? row->string() : std::string();
  }
  if (!WebSearchBrowser::open(webSearchURL(configuredWebSearchEngine(), query)))
    logWarning("web search: no browser could be started");
}

PasteboardItem SearchInput2::pasteboardItem(const std::string& text, const std::optional<Json>& json,
                                            bool rich) {
  if (IndexHelper::isFile(json)) {
    const std::string file = json->value("file", std::string());
    PasteboardItem item(kPasteboardTypeFileURL, "file://" + file);
    item.setString(kPasteboardTypeString, percentDecode(file));
    return item;
  }
  if (IndexHelper::isImage(json)) {
    std::optional<std::string> url = ImageManager::getPath(json);
    if (!url) {
      // The dated image folders may have been cleaned since the copy; its text is all that is left.
      logWarning("paste: the image file of the record is gone; pasting its text");
      return text.empty() ? PasteboardItem() : PasteboardItem(kPasteboardTypeString, text);
    }
    PasteboardItem item(kPasteboardTypeFileURL, *url);
    // Pasted as data only up to a size worth holding in memory; every application takes the file too.
    if (std::optional<std::string> bytes =
            files::readFile(percentDecode(url->substr(7)), ImageCodec::kMaxFileBytes);
        bytes && isPng(*bytes))
      item.setData(kPasteboardTypePNG, std::move(*bytes));
    return item;
  }
  PasteboardItem item(kPasteboardTypeString, text);
  if (rich && json && json->is_object() && json->contains("rich_text") && (*json)["rich_text"].is_string())
    item.setData(kPasteboardTypeRTF, (*json)["rich_text"].get<std::string>());
  return item;
}

std::vector<PasteboardItem> SearchInput2::pasteboardItems(const DisplayRows& rows, bool rich) {
  std::vector<PasteboardItem> items;
  for (const auto& row : rows) {
    PasteboardItem item = pasteboardItem(row->string(), row->json(), rich);
    if (!item.empty()) items.push_back(std::move(item));
  }
  return items;
}

}  // namespace vl
