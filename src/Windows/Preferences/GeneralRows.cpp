#include "Windows/Preferences/GeneralRows.h"

#include <any>
#include <set>

#include "Windows/Preferences/PaneParts.h"
#include "core/VLConfig.h"
#include "core/apps/AppInstalledManager.h"
#include "core/web/WebSearchBrowser.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// The items of a stored list that are text, at most `limit` of them.
std::vector<std::string> textItems(const Json& list, std::size_t limit, const char* what) {
  std::vector<std::string> out;
  if (!list.is_array()) return out;
  for (const Json& item : list) {
    if (out.size() == limit) {
      logWarningf("web search: the %s list holds more than %zu entries; the rest is not shown", what, limit);
      break;
    }
    if (item.is_string()) out.push_back(item.get<std::string>());
  }
  return out;
}

void fill(ui::PopUpButton& popUp, const std::vector<std::string>& titles, const Json& chosen) {
  popUp.removeAllItems();
  popUp.addItemsWithTitles(titles);
  if (chosen.is_string()) popUp.selectItemWithTitle(chosen.get<std::string>());
}

// What the browser menu shows for a stored entry: the desktop's own words for its default browser, else
// the name the browser's desktop entry gives it. Two browsers of one name are told apart by their ids.
std::string browserTitle(const std::string& entry, const std::set<std::string>& taken) {
  if (entry == WebSearchBrowser::kDefaultBrowser) return localized("pref.general.defaultBrowser");
  std::string title = AppInstalledManager::shared().applicationTitle(entry);
  if (taken.count(title)) title += " (" + entry + ")";
  return title;
}

// The stored entry of a browser item; items keep it beside their title.
std::string browserEntry(const ui::MenuItem& item) {
  if (const auto* entry = std::any_cast<std::string>(&item.representedObject())) return *entry;
  return item.title();
}

}  // namespace

std::shared_ptr<CheckBoxRow> CheckBoxRow::create(double width, Binding binding) {
  auto row = std::make_shared<CheckBoxRow>(ui::Rect{0, 0, width, kHeight});
  row->binding_ = std::move(binding);
  row->build();
  return row;
}

void CheckBoxRow::build() {
  setActionHandler("valueChange:", [this](ui::ActionTarget*) { valueChange(); });
  titleView_ = pane::title(*this, {pane::kTitleX, 0, pane::kTitleWidth, 16}, binding_.titleKey);
  checkButton_ = pane::toggle(*this, {230, -2}, ui::ButtonType::Switch, shared_from_this(), "valueChange:");
  explainTextView_ = pane::title(*this, {250, 0, 200, 16}, binding_.explainKey, false);
  reload();
}

void CheckBoxRow::reload() { checkButton_->setState(pane::stateOf(binding_.read())); }

void CheckBoxRow::valueChange() {
  const bool on = pane::isOn(*checkButton_);
  if (!binding_.write(on)) checkButton_->setState(pane::stateOf(!on));
}

std::shared_ptr<DirectPasteSetting> DirectPasteSetting::create(double width) {
  auto row = std::make_shared<DirectPasteSetting>(ui::Rect{0, 0, width, kHeight});
  row->build();
  return row;
}

void DirectPasteSetting::build() {
  setActionHandler("valueChange:", [this](ui::ActionTarget*) { valueChange(); });
  titleView_ = pane::title(*this, {pane::kTitleX, 32, pane::kTitleWidth, 16}, "pref.general.integration");
  checkButton_ = pane::toggle(*this, {230, 30}, ui::ButtonType::Switch, shared_from_this(), "valueChange:");
  explainTextView_ = pane::title(*this, {250, 32, 200, 16}, "pref.general.directPaste", false);
  tip1View_ = pane::tip(*this, {250, 0, 260, 30}, "pref.general.directPasteExplain");
  reload();
}

void DirectPasteSetting::reload() {
  checkButton_->setState(pane::stateOf(VLConfig::shared().getBoolValueOfKey(VLConfig::kPasteDirectly)));
}

void DirectPasteSetting::valueChange() {
  const bool on = pane::isOn(*checkButton_);
  VLConfig::shared().setBoolValueOfKey(VLConfig::kPasteDirectly, on);
  VLConfig::shared().setBoolValueOfKey(VLConfig::kShowPastePopover, !on);
}

std::shared_ptr<Hotkey> Hotkey::create(double width, std::function<void(const HokeyStruct&)> registerHotKey) {
  auto row = std::make_shared<Hotkey>(ui::Rect{0, 0, width, kHeight});
  row->registerHotKey_ = std::move(registerHotKey);
  row->titleView_ =
      pane::title(*row, {pane::kTitleX, (kHeight - 18) / 2, pane::kTitleWidth, 18}, "pref.general.hotkey");
  // Made before the pane hands over its identity, so until then the recorder hears every stop request.
  row->hotkeyTextField_ = HotkeyTextField::initWithFrame({230, 0, 260, kHeight}, row);
  row->addSubview(row->hotkeyTextField_);
  return row;
}

HokeyStruct Hotkey::initInputContext() {
  return VLConfig::shared().getHotkeyValueOfKey(VLConfig::kMainHotKey);
}

void Hotkey::reload() { hotkeyTextField_->reloadInputContext(initInputContext()); }

bool Hotkey::didEndKeyDown(const HokeyStruct& value) {
  VLConfig::shared().setHotkeyValueOfKey(VLConfig::kMainHotKey, value);
  if (registerHotKey_) {
    registerHotKey_(value);
  } else {
    logWarning("General pane: no hot key service; the new main hot key works after a restart");
  }
  return true;
}

std::shared_ptr<SearchWay> SearchWay::create(double width) {
  auto row = std::make_shared<SearchWay>(ui::Rect{0, 0, width, kHeight});
  row->build();
  return row;
}

void SearchWay::build() {
  setActionHandler("popUpSelected:", [this](ui::ActionTarget*) { popUpSelected(); });
  titleView_ = pane::title(*this, {pane::kTitleX, 1, pane::kTitleWidth, 18}, "pref.general.searchin");
  // Wide enough for "Default browser" and the names desktop entries give browsers.
  browserPopUpButton_ =
      pane::popUp(*this, {230, 0}, shared_from_this(), "popUpSelected:", {kBrowserPopUpWidth, 20});
  const double engineX = 230 + kBrowserPopUpWidth;
  engineView_ = pane::title(*this, {engineX, 1, 75, 18}, "pref.general.withengine");
  enginePopUpButton_ = pane::popUp(*this, {engineX + 80, 0}, shared_from_this(), "popUpSelected:");
}

void SearchWay::reload() {
  const Json value = VLConfig::shared().getValueOfKey(VLConfig::kWebSearch).value_or(Json());
  if (!value.is_object()) return;
  browserPopUpButton_->removeAllItems();
  std::set<std::string> titles, entries;
  const Json chosen = value.value("browser", Json());
  for (const std::string& entry : textItems(value.value("browserList", Json()), kMaxListItems, "browser")) {
    if (!entries.insert(entry).second) continue;  // listed twice by hand
    const std::string title = browserTitle(entry, titles);
    titles.insert(title);
    browserPopUpButton_->addItemWithTitle(title);
    browserPopUpButton_->lastItem()->setRepresentedObject(entry);
    if (chosen == entry) browserPopUpButton_->selectItem(browserPopUpButton_->lastItem().get());
  }
  fill(*enginePopUpButton_, textItems(value.value("engineList", Json()), kMaxListItems, "engine"),
       value.value("engine", Json()));
}

void SearchWay::popUpSelected() {
  if (!browserPopUpButton_->selectedItem() || !enginePopUpButton_->selectedItem()) {
    // Storing an empty name would leave the web search without a browser to open.
    logWarning("web search: no browser or engine to choose from; nothing stored");
    return;
  }
  Json value = VLConfig::shared().getValueOfKey(VLConfig::kWebSearch).value_or(Json::object());
  if (!value.is_object()) value = Json::object();
  value["browser"] = browserEntry(*browserPopUpButton_->selectedItem());
  value["engine"] = enginePopUpButton_->titleOfSelectedItem();
  VLConfig::shared().setValueOfKey(VLConfig::kWebSearch, value);
}

}  // namespace vl
