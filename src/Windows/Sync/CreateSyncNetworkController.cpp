#include "Windows/Sync/CreateSyncNetworkController.h"

#include <algorithm>

#include "Windows/Sync/CreateNewNetworkController.h"
#include "Windows/Sync/SyncBar2.h"
#include "Windows/Sync/SyncLook.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "ui/alert/Alert.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

std::shared_ptr<ui::View> CreateSyncNetworkController::rightItem() {
  if (!rightItem_) rightItem_ = makeSyncActionButton("ok", shared_from_this(), "ok:");
  return rightItem_;
}

void CreateSyncNetworkController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (tableView_) return;
  setTitle(localized("data.sync.create"));
  setActionHandler("ok:", [this](ui::ActionTarget*) { ok(); });
  setActionHandler("createNewNetwork", [this](ui::ActionTarget*) { createNewNetwork(); });
  setActionHandler("itemClick:", [this](ui::ActionTarget* sender) {
    if (auto* item = dynamic_cast<ModalTableItem*>(sender)) itemClick(*item);
  });
  setActionHandler("editAccessoryClick:", [this](ui::ActionTarget* sender) {
    if (auto* accessory = dynamic_cast<ModalTableItemAccessory*>(sender)) editAccessoryClick(*accessory);
  });
  setActionHandler("deleteAccessoryClick:", [this](ui::ActionTarget* sender) {
    if (auto* accessory = dynamic_cast<ModalTableItemAccessory*>(sender)) deleteAccessoryClick(*accessory);
  });
  const double w = view()->frame().width(), H = view()->frame().height();

  createNewItem_ = ModalTableItem::create({0, H - 70, w, 40});
  createNewItem_->setMode(ModalTableItem::Title);
  createNewItem_->resetStyle(ModalTableItem::Single);
  createNewItem_->setTitle(localized("data.sync.createAnNewSyncNetwork"));
  createNewItem_->setTitleColorAssetKey(std::string("fontNormalColor"));
  createNewItem_->setTarget(shared_from_this());
  createNewItem_->setAction("createNewNetwork");
  view()->addSubview(createNewItem_);

  chooseSectionView_ = ModalTableSectionView::create({0, createNewItem_->frame().origin.y - 35, w, 35});
  chooseSectionView_->setTitle(localized("data.sync.existSyncNetworks"));
  view()->addSubview(chooseSectionView_);

  auto self = std::static_pointer_cast<CreateSyncNetworkController>(shared_from_this());
  tableView_ = ModalTableView::create({0, 0, w, 0});
  tableView_->setHasVerticalScroller(false);
  tableView_->setModalTableViewDataSource(std::shared_ptr<ModalTableViewDataSource>(self, self.get()));
  tableView_->setModalTableViewDelegate(std::shared_ptr<ModalTableViewDelegate>(self, self.get()));
  view()->addSubview(tableView_);
}

void CreateSyncNetworkController::viewWillAppear() {
  if (!tableView_) return;
  reloadList();
  // Only here: a delete leaves the scroller as it was until the page next comes into view.
  tableView_->setHasVerticalScroller(dataSource_.size() > kRowsWithoutScroller);
  tableView_->reloadData();
}

void CreateSyncNetworkController::reloadList() {
  dataSource_ = CreatedDataSyncStore::shared().providerList();
  items_.clear();
  const double w = view()->frame().width();
  const double h =
      std::min(ModalTableView::kRowHeight * static_cast<double>(dataSource_.size()), kMaxTableHeight);
  tableView_->setFrame({0, chooseSectionView_->frame().origin.y - 10 - h, w, h});
}

void CreateSyncNetworkController::viewDidAppear() {
  logDebugf("sync: network list shown (%zu)", dataSource_.size());
}

void CreateSyncNetworkController::viewDidDisappear() { lastCheckItem_.reset(); }

long CreateSyncNetworkController::numberOfRowsInTableView(ModalTableView&) {
  return static_cast<long>(dataSource_.size());
}

std::shared_ptr<ui::TableRowView> CreateSyncNetworkController::tableViewRowViewForRow(ModalTableView&,
                                                                                      long row) {
  const CreatedDataSyncStore::Network network = networkAt(row);
  if (!network) return nullptr;
  auto item = ModalTableItem::create();
  item->setMode(ModalTableItem::Title);
  item->setLeftAccessory(ModalTableItemAccessoryCheck::create());
  item->setTarget(shared_from_this());
  item->setAction("itemClick:");
  item->setTitleColorAssetKey(std::string("fontNormalColor"));
  std::vector<std::shared_ptr<ModalTableItemAccessory>> buttons;
  for (const auto& [titleKey, action] :
       {std::pair{"edit", "editAccessoryClick:"}, {"delete", "deleteAccessoryClick:"}}) {
    auto button = ModalTableItemAccessoryButton::create();
    button->setTitle(localized(titleKey));
    button->setTitleColorAssetKey(std::string("accentTextColor"));
    button->setTarget(shared_from_this());
    button->setAction(action);
    buttons.push_back(button);
  }
  item->setRightAccessories(buttons);
  item->setPosition(row);
  const bool checked = row == checkIndex_;
  std::static_pointer_cast<ModalTableItemAccessoryCheck>(item->leftAccessory())->setCheck(checked);
  if (checked && !lastCheckItem_) lastCheckItem_ = item;
  item->resetStyle(ModalTableItem::styleAt(row, static_cast<long>(dataSource_.size())));
  item->setTitle(titleBeforeAccessories(network->name(), view()->frame().width(), buttons));
  items_[row] = item;
  return ModalTableRowViewWrapper::box(item);
}

std::shared_ptr<ModalTableItem> CreateSyncNetworkController::itemAt(long row) const {
  auto it = items_.find(row);
  return it == items_.end() ? nullptr : it->second;
}

CreatedDataSyncStore::Network CreateSyncNetworkController::networkAt(std::int64_t position) const {
  if (position < 0 || static_cast<std::size_t>(position) >= dataSource_.size()) return nullptr;
  return dataSource_[static_cast<std::size_t>(position)];
}

void CreateSyncNetworkController::createNewNetwork() {
  if (auto* navigation = navigationController())
    navigation->pushModalViewController(ModalViewController::make<CreateNewNetworkController>());
}

void CreateSyncNetworkController::itemClick(ModalTableItem& item) {
  if (lastCheckItem_) {
    if (auto mark = std::dynamic_pointer_cast<ModalTableItemAccessoryCheck>(lastCheckItem_->leftAccessory()))
      mark->setCheck(false);
  }
  if (auto mark = std::dynamic_pointer_cast<ModalTableItemAccessoryCheck>(item.leftAccessory()))
    mark->setCheck(true);
  lastCheckItem_ = itemAt(item.position());
  checkIndex_ = item.position();
}

void CreateSyncNetworkController::editAccessoryClick(ModalTableItemAccessory& accessory) {
  CreatedDataSyncStore::Network network =
      accessory.item() ? networkAt(accessory.item()->position()) : nullptr;
  auto* navigation = navigationController();
  if (!network || !navigation) return;
  auto form = ModalViewController::make<CreateNewNetworkController>();
  form->setBean(network);
  navigation->pushModalViewController(form);
}

void CreateSyncNetworkController::deleteAccessoryClick(ModalTableItemAccessory& accessory) {
  CreatedDataSyncStore::Network network =
      accessory.item() ? networkAt(accessory.item()->position()) : nullptr;
  if (!network) return;
  std::weak_ptr<CreateSyncNetworkController> weak =
      std::static_pointer_cast<CreateSyncNetworkController>(shared_from_this());
  auto alert = Alert::ofTitle<ModalAlert>(
      localized("data.sync.alert.networkDelete"),
      [weak, network] {
        if (auto page = weak.lock()) page->deleteNetwork(network);
      },
      [] {});
  alert->showWithEscape(getMainView().get());
}

void CreateSyncNetworkController::deleteNetwork(const CreatedDataSyncStore::Network& network) {
  auto at = std::find(dataSource_.begin(), dataSource_.end(), network);
  if (at == dataSource_.end()) return;
  const auto position = static_cast<std::int64_t>(at - dataSource_.begin());
  CreatedDataSyncStore::shared().removeWithIdentifier(network->identifier());
  if (position == checkIndex_) {
    checkIndex_ = 0;
  } else if (position < checkIndex_) {
    --checkIndex_;
  }
  lastCheckItem_.reset();
  reloadList();
  tableView_->reloadData();
}

void CreateSyncNetworkController::ok() {
  CreatedDataSyncStore::Network network = networkAt(checkIndex_);
  if (!network) {
    logWarning("sync: no network to serve; create one first");
    return;
  }
  CreatedDataSyncStore::shared().setCurrentProvider(network);
  logf("sync: serving network %s", network->identifier().c_str());
  SyncBar2::shared()->openWithRole(SyncBar2::RoleProvider);
  if (auto* navigation = navigationController(); navigation && navigation->presenting())
    navigation->presenting()->dismiss();
}

}  // namespace vl
