#include "Windows/Main/list/ContextualMenu.h"

#include <charconv>
#include <vector>

#include "Windows/Main/list/DeleteRecords.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/menu/MenuItem.h"
#include "ui/alert/Alert.h"
#include "ui/panels/PanelCenter.h"

namespace vl {
namespace {

void showWithEscape(const std::shared_ptr<Alert>& alert) {
  ui::View* host = PreviewColumnHooks::current().hostOrNull();
  if (!host) {
    logWarning("contextual menu: no main view to show an alert over");
    return;
  }
  alert->showWithEscape(host);
}

const ui::Menu& menuOf(ui::ActionTarget* sender) {
  static const ui::Menu none;
  auto* item = dynamic_cast<ui::MenuItem*>(sender);
  return item && item->menu() ? *item->menu() : none;
}

}  // namespace

ContextualMenu& ContextualMenu::factory() {
  static ContextualMenu menus;
  return menus;
}

ContextualMenu::ContextualMenu() : target_(std::make_shared<ui::ActionTarget>()) {
  target_->setActionHandler("pin:", [this](ui::ActionTarget*) { pin(); });
  target_->setActionHandler("hintTableDelete:", [this](ui::ActionTarget*) { hintTableDelete(); });
  target_->setActionHandler("recordDelete:", [this](ui::ActionTarget* s) { recordDelete(menuOf(s)); });
  target_->setActionHandler("snippetsEdit:", [](ui::ActionTarget*) {});
  target_->setActionHandler("edit:", [this](ui::ActionTarget* s) { edit(menuOf(s)); });
  target_->setActionHandler("delete:", [this](ui::ActionTarget* s) { deleteTab(menuOf(s)); });
  target_->setActionHandler("moveForward:", [this](ui::ActionTarget* s) { moveForward(menuOf(s)); });
  target_->setActionHandler("moveBackward:", [this](ui::ActionTarget* s) { moveBackward(menuOf(s)); });
}

void ContextualMenu::resetForTesting() {
  hintTableMenu_.reset();
  snippetsMenu_.reset();
  recordMenu_.reset();
}

std::shared_ptr<ui::MenuItem> ContextualMenu::item(const std::string& title, const std::string& action) {
  auto it = ui::MenuItem::create(title, action, "");
  it->setTarget(target_);
  return it;
}

std::shared_ptr<ui::Menu> ContextualMenu::getHintTableMenu() {
  if (!hintTableMenu_) {
    hintTableMenu_ = ui::Menu::create();
    hintTableMenu_->addItem(item("Pin", "pin:"));
    hintTableMenu_->addItem(item(localized("delete"), "hintTableDelete:"));
  }
  return hintTableMenu_;
}

std::shared_ptr<ui::Menu> ContextualMenu::getRecordMenu(long row) {
  if (!recordMenu_) {
    recordMenu_ = ui::Menu::create();
    recordMenu_->addItem(item(localized("pin.tab.menu.delete"), "recordDelete:"));
  }
  recordMenu_->setTitle(std::to_string(row));
  return recordMenu_;
}

std::shared_ptr<ui::Menu> ContextualMenu::getSnippetsMenu() {
  if (!snippetsMenu_) {
    snippetsMenu_ = ui::Menu::create();
    snippetsMenu_->addItem(item(localized("edit"), "snippetsEdit:"));
  }
  return snippetsMenu_;
}

std::shared_ptr<ui::Menu> ContextualMenu::getPinTabMenu(const std::string& pinTabId) {
  auto menu = ui::Menu::create(pinTabId);
  menu->addItem(item(localized("pin.tab.menu.edit"), "edit:"));
  menu->addItem(item(localized("pin.tab.menu.delete"), "delete:"));
  menu->addItem(ui::MenuItem::separatorItem());
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  const std::vector<std::string> ids = hooks.pinTabIds ? hooks.pinTabIds() : std::vector<std::string>{};
  long position = -1;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == pinTabId) position = static_cast<long>(i);
  }
  const long count = static_cast<long>(ids.size());
  if (position > 1) menu->addItem(item(localized("pin.tab.menu.move.forward"), "moveForward:"));
  if (position >= 0 && position < count - 1) {
    menu->addItem(item(localized("pin.tab.menu.move.backward"), "moveBackward:"));
  }
  return menu;
}

bool ContextualMenu::allowed() const {
  if (!PreviewColumnHooks::current().isBlocked()) return true;
  ui::beep();
  return false;
}

void ContextualMenu::pin() {
  if (!allowed()) return;
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  // Only records go to a tab: not the web search of the query, nor a tab's tip.
  if (auto list = hooks.listOrNull(); list && list->selectedRecords().empty()) {
    logDebug("pin: no record is chosen; nothing is pinned");
    return;
  }
  const std::size_t tabs = hooks.pinTabIds ? hooks.pinTabIds().size() : 1;
  if (tabs > 1) {
    PanelCenter::shared().showPanelByKey("vellisto_panel_pinmove");
    return;
  }
  // OK closes the alert: a pin tab has to be made first.
  auto alert = Alert::ofTitle(
      localized("pin.tab.pin.alert.content"), [] {}, nullptr);
  showWithEscape(alert);
}

void ContextualMenu::hintTableDelete() { deleteSelectedRecords(); }

void ContextualMenu::recordDelete(const ui::Menu& menu) {
  long row = -1;
  const std::string& t = menu.title();
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), row);
  if (ec != std::errc() || end != t.data() + t.size() || row < 0) {
    logWarning("record menu: no row in \"" + t + "\"");
    return;
  }
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  if (hooks.deleteRecordRow) hooks.deleteRecordRow(row);
}

void ContextualMenu::edit(const ui::Menu& menu) {
  if (!allowed()) return;
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  if (hooks.showPinTabDetail) hooks.showPinTabDetail(menu.title());
}

void ContextualMenu::deleteTab(const ui::Menu& menu) {
  if (!allowed()) return;
  const std::string id = menu.title();
  auto alert = Alert::ofTitle(
      localized("pin.tab.delete.alert.content"),
      [id] {
        const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
        if (hooks.deletePinTab) hooks.deletePinTab(id);
      },
      [] {});
  showWithEscape(alert);
}

void ContextualMenu::moveForward(const ui::Menu& menu) {
  if (!allowed()) return;
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  if (hooks.moveForwardPinTab) hooks.moveForwardPinTab(menu.title());
}

void ContextualMenu::moveBackward(const ui::Menu& menu) {
  if (!allowed()) return;
  const PreviewColumnHooks& hooks = PreviewColumnHooks::current();
  if (hooks.moveBackwardPinTab) hooks.moveBackwardPinTab(menu.title());
}

}  // namespace vl
