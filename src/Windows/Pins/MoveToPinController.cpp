#include "Windows/Pins/MoveToPinController.h"

#include <algorithm>

#include "Windows/Pins/PinTabDetailController.h"
#include "pins/PinManager.h"
#include "pins/PinTab.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"
#include "ui/view/GlobalColorPanel.h"

namespace vl {

const std::shared_ptr<Button2>& MoveToPinController::okButton() {
  if (!okButton_) okButton_ = makePinPageOkButton(shared_from_this(), "ok:");
  return okButton_;
}

void MoveToPinController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (loaded_) return;
  loaded_ = true;
  setTitle(localized("pin.tab.select.title"));
  setActionHandler("ok:", [this](ui::ActionTarget*) { ok(); });
  setActionHandler("itemClick:",
                   [this](ui::ActionTarget* sender) { itemClick(dynamic_cast<ModalTableItem*>(sender)); });
  auto self = std::static_pointer_cast<MoveToPinController>(shared_from_this());
  tableView_ = ModalTableView::create({0, 0, view()->frame().width(), 0});
  tableView_->setHasVerticalScroller(false);
  tableView_->setModalTableViewDataSource(std::shared_ptr<ModalTableViewDataSource>(self, self.get()));
  tableView_->setModalTableViewDelegate(std::shared_ptr<ModalTableViewDelegate>(self, self.get()));
  view()->addSubview(tableView_);
  LocalShortcutsManager::shared().registerReceiver(std::shared_ptr<ShortcutReceiver>(self, self.get()),
                                                   LocalShortcutsManager::Order::MoveToPinDialog);
}

void MoveToPinController::viewWillAppear() {
  if (!tableView_) return;
  checkedRow_ = -1;
  items_.clear();
  auto active = PinManager::shared().activedTab();
  fromPinTabId_ = active ? active->pinTabId() : std::string(kClipboardPinTabId);
  dataSource_ = PinManager::shared().getTabListExclude(fromPinTabId_);
  const double h = std::min(kRowHeight * static_cast<double>(dataSource_.size()), kMaxTableHeight);
  const double W = view()->frame().width(), H = view()->frame().height();
  tableView_->setFrame({0, H - 30 - h, W, h});
  // The first row is the default target.
  if (!dataSource_.empty()) checkedRow_ = 0;
  tableView_->reloadData();
}

long MoveToPinController::numberOfRowsInTableView(ModalTableView&) {
  return static_cast<long>(dataSource_.size());
}

std::shared_ptr<ui::TableRowView> MoveToPinController::tableViewRowViewForRow(ModalTableView&, long row) {
  if (row < 0 || static_cast<std::size_t>(row) >= dataSource_.size()) return nullptr;
  const auto& tab = dataSource_[static_cast<std::size_t>(row)];
  auto item = ModalTableItem::create();
  item->setMode(ModalTableItem::Title);
  item->setPosition(row);
  item->resetStyle(ModalTableItem::styleAt(row, static_cast<long>(dataSource_.size())));
  auto checkMark = ModalTableItemAccessoryCheck::create();
  checkMark->setCheck(row == checkedRow_);
  item->setLeftAccessory(checkMark);
  auto swatch = ModalTableItemAccessoryColor::create();
  swatch->setColor(GlobalColorPanel::colorFromHexString(tab->bgColor()));
  item->setRightAccessories({swatch});
  item->setTitle(tab->name());
  item->setTitleColorAssetKey(std::string("fontNormalColor"));
  item->setTarget(shared_from_this());
  item->setAction("itemClick:");
  items_[row] = item;
  return ModalTableRowViewWrapper::box(item);
}

bool MoveToPinController::tableViewShouldSelectRow(ModalTableView&, long row) {
  check(row);
  return true;
}

void MoveToPinController::itemClick(ModalTableItem* item) {
  if (item) check(item->position());
}

void MoveToPinController::check(long row) {
  if (row < 0 || static_cast<std::size_t>(row) >= dataSource_.size()) return;
  checkedRow_ = row;
  for (const auto& [index, item] : items_) {
    if (auto mark = std::dynamic_pointer_cast<ModalTableItemAccessoryCheck>(item->leftAccessory()))
      mark->setCheck(index == row);
  }
}

bool MoveToPinController::isShown() const {
  auto* nav = navigationController();
  auto* panel = nav ? dynamic_cast<AbstractPanel*>(nav->presenting()) : nullptr;
  return panel && panel->isShown();
}

bool MoveToPinController::resolvedShortcutKey(const std::string& name) {
  if (!isShown()) return false;
  if (name == "enter") {
    ok();
    return true;
  }
  if (name == "historyUp") {
    up();
    return true;
  }
  if (name == "historyDown") {
    down();
    return true;
  }
  return false;
}

void MoveToPinController::up() {
  const long rows = static_cast<long>(dataSource_.size());
  if (rows == 0) return;
  const long p = checkedRow_;
  check((p < 1 ? rows : p) - 1);
}

void MoveToPinController::down() {
  const long rows = static_cast<long>(dataSource_.size());
  if (rows == 0) return;
  check((checkedRow_ + 1) % rows);
}

void MoveToPinController::ok() {
  auto delegate = delegate_.lock();
  if (!delegate) return;
  if (checkedRow_ < 0 || static_cast<std::size_t>(checkedRow_) >= dataSource_.size()) {
    logWarning("move dialog: no tab is checked; nothing moved");
    return;
  }
  delegate->didMoveToPinTabId(dataSource_[static_cast<std::size_t>(checkedRow_)]->pinTabId(), fromPinTabId_);
  if (auto* nav = navigationController(); nav && nav->presenting()) nav->presenting()->dismiss();
}

}  // namespace vl
