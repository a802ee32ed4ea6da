#include "Windows/Sync/join/JoinSyncNetworkController.h"

#include <algorithm>
#include <string>

#include "Windows/Sync/SyncBar2.h"
#include "Windows/Sync/SyncLook.h"
#include "Windows/Sync/join/SyncNetworkIgnoreController.h"
#include "Windows/Sync/join/SyncNetworkPasswordController.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/Beep.h"
#include "sync/client/ClientSession.h"
#include "sync/client/SyncNetworkClientWrapper.h"
#include "sync/discovery/CharacteristicValueBean.h"
#include "sync/store/JoinDataSyncStore.h"
#include "theme/VLThemeImages.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

JoinSyncNetworkController::~JoinSyncNetworkController() { VLNotificationCenter::removeObserver(this); }

std::shared_ptr<ui::View> JoinSyncNetworkController::rightItem() {
  if (!rightItem_) rightItem_ = makeSyncActionButton("ok", shared_from_this(), "ok:");
  return rightItem_;
}

void JoinSyncNetworkController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (tableView_) return;
  setTitle(localized("data.sync.join"));
  setActionHandler("ok:", [this](ui::ActionTarget*) { ok(); });
  setActionHandler("ignore:", [this](ui::ActionTarget*) { ignore(); });
  setActionHandler("scanAccessoryClick:", [this](ui::ActionTarget*) { scanAccessoryClick(); });
  setActionHandler("itemClick:", [this](ui::ActionTarget* sender) {
    if (auto* item = dynamic_cast<ModalTableItem*>(sender)) itemClick(*item);
  });
  const double w = view()->frame().width(), H = view()->frame().height();

  chosenItem_ = ModalTableItem::create({0, H - 70, w, 40});
  chosenItem_->setMode(ModalTableItem::Title);
  chosenItem_->resetStyle(ModalTableItem::Single);
  chosenItem_->setLeftAccessory(ModalTableItemAccessoryCheck::create());
  chosenItem_->setTitleColorAssetKey(std::string("fontNormalColor"));
  chosenItem_->setTarget(shared_from_this());
  chosenItem_->setAction("ignore:");
  auto rescan = ModalTableItemAccessoryButton::create();
  rescan->setTitle(localized("data.sync.join.manualScan"));
  rescan->setTitleColorAssetKey(std::string("accentTextColor"));
  rescan->setTitleHighlightedColorAssetKey(std::string("accentTextColor"));
  rescan->setTarget(shared_from_this());
  rescan->setAction("scanAccessoryClick:");
  chosenItem_->setRightAccessories({rescan});
  chosenItem_->setTitle(localized("data.sync.join.placeholder"));
  view()->addSubview(chosenItem_);

  exposureSectionView_ = ModalTableSectionView::create({0, chosenItem_->frame().origin.y - 35, 130, 35});
  exposureSectionView_->setTitle(localized("data.sync.join.exposureSyncNetworks"));
  spinner_ = ModalTableItemAccessoryIndicator::create();
  exposureSectionView_->setAccessory(spinner_);
  view()->addSubview(exposureSectionView_);

  auto self = std::static_pointer_cast<JoinSyncNetworkController>(shared_from_this());
  tableView_ = ModalTableView::create({0, 0, w, 0});
  tableView_->setModalTableViewDataSource(std::shared_ptr<ModalTableViewDataSource>(self, self.get()));
  tableView_->setModalTableViewDelegate(std::shared_ptr<ModalTableViewDelegate>(self, self.get()));
  view()->addSubview(tableView_);

  std::weak_ptr<JoinSyncNetworkController> weak = self;
  VLNotificationCenter::addObserver(
      this,
      [weak](const Notification&) {
        auto page = weak.lock();
        if (page && page->startPanelShown()) page->closePresentingPanel();
      },
      "kNotificationSyncNetworkClose");
  VLNotificationCenter::addObserver(
      this,
      [weak](const Notification&) {
        auto page = weak.lock();
        if (page && page->startPanelShown()) page->chosenRefresh();
      },
      "kNotificationSyncNetworkRefreshJoin");
}

void JoinSyncNetworkController::viewWillAppear() {
  if (!tableView_) return;
  CentralRole::shared().setDelegate(std::static_pointer_cast<JoinSyncNetworkController>(shared_from_this()));
  chosenRefresh();
}

void JoinSyncNetworkController::viewDidAppear() {
  logDebugf("sync: join page shown (%zu listed)", dataSource_.size());
}

bool JoinSyncNetworkController::startPanelShown() const {
  auto panel = PanelCenter::shared().panelForKey(kPanelDataSync);
  return panel && panel->isShown();
}

void JoinSyncNetworkController::closePresentingPanel() {
  if (auto* navigation = navigationController(); navigation && navigation->presenting())
    navigation->presenting()->dismiss();
}

void JoinSyncNetworkController::chosenRefresh() {
  if (!tableView_) return;
  auto check = std::dynamic_pointer_cast<ModalTableItemAccessoryCheck>(chosenItem_->leftAccessory());
  if (std::optional<ClientSyncNetworkBean> current = JoinDataSyncStore::shared().currentJoin()) {
    chosenItem_->setTitle(titleBeforeAccessories(current->networkName, view()->frame().width(),
                                                 chosenItem_->rightAccessories()));
    check->setCheck(true);
    auto at = std::find_if(dataSource_.begin(), dataSource_.end(),
                           [&](const ClientSyncNetworkBean& n) { return n.networkId == current->networkId; });
    if (at != dataSource_.end()) dataSource_.erase(at);
  } else {
    dataSource_.clear();
    chosenItem_->setTitle(localized("data.sync.join.placeholder"));
    check->setCheck(false);
  }
  reloadTable();
  scanAccessoryClick();
}

void JoinSyncNetworkController::reloadTable() {
  items_.clear();
  const double w = view()->frame().width();
  const double h =
      std::min(ModalTableView::kRowHeight * static_cast<double>(dataSource_.size()), kMaxTableHeight);
  tableView_->setFrame({0, exposureSectionView_->frame().origin.y - 10 - h, w, h});
  tableView_->reloadData();
}

long JoinSyncNetworkController::numberOfRowsInTableView(ModalTableView&) {
  return static_cast<long>(dataSource_.size());
}

std::shared_ptr<ui::TableRowView> JoinSyncNetworkController::tableViewRowViewForRow(ModalTableView&,
                                                                                    long row) {
  if (row < 0 || static_cast<std::size_t>(row) >= dataSource_.size()) return nullptr;
  auto item = ModalTableItem::create();
  item->setMode(ModalTableItem::Title);
  item->setLeftAccessory(ModalTableItemAccessoryCheck::create());
  item->setTarget(shared_from_this());
  item->setAction("itemClick:");
  item->setTitleColorAssetKey(std::string("fontNormalColor"));
  auto icon = ModalTableItemAccessoryIcon::create();
  icon->setImage(themeImageNamed("sync-network"));
  item->setRightAccessories({icon});
  item->setPosition(row);
  item->resetStyle(ModalTableItem::styleAt(row, static_cast<long>(dataSource_.size())));
  item->setTitle(titleBeforeAccessories(dataSource_[static_cast<std::size_t>(row)].networkName,
                                        view()->frame().width(), item->rightAccessories()));
  items_[row] = item;
  return ModalTableRowViewWrapper::box(item);
}

std::shared_ptr<ModalTableItem> JoinSyncNetworkController::itemAt(long row) const {
  auto it = items_.find(row);
  return it == items_.end() ? nullptr : it->second;
}

bool JoinSyncNetworkController::existInDataSource(const ClientSyncNetworkBean& network) const {
  return std::any_of(dataSource_.begin(), dataSource_.end(),
                     [&](const ClientSyncNetworkBean& n) { return n.networkId == network.networkId; });
}

void JoinSyncNetworkController::removeListed(const std::string& networkId) {
  auto at = std::find_if(dataSource_.begin(), dataSource_.end(),
                         [&](const ClientSyncNetworkBean& n) { return n.networkId == networkId; });
  if (at != dataSource_.end()) dataSource_.erase(at);
}

// ---- discovery ----

bool JoinSyncNetworkController::centralRoleDidStartDiscover(CentralRole&) {
  if (spinner_) spinner_->setSpinning(true);
  return true;
}

bool JoinSyncNetworkController::centralRoleDidStopDiscover(CentralRole&) {
  if (spinner_) spinner_->setSpinning(false);
  return true;
}

bool JoinSyncNetworkController::centralRole(CentralRole&, const CharacteristicValueBean& value) {
  if (!tableView_) return true;
  spinner_->setSpinning(false);
  // The decoder leaves what it could not take empty: such a network cannot be joined.
  if (value.networkId().empty() || value.ip().empty() || value.port() <= 0) {
    logWarning("sync: a nearby network without an id or an address was not listed");
    return true;
  }
  ClientSyncNetworkBean network = ClientSyncNetworkBean::ofCharacteristic(
      value.networkId(), value.networkName(), value.deviceName(), value.ip(), value.port());
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  std::optional<ClientSyncNetworkBean> current = store.currentJoin();
  if (current && current->networkId == network.networkId) return true;
  if (existInDataSource(network)) return true;
  if (dataSource_.size() >= kMaxListed) {
    logWarning("sync: the list of nearby networks is full; a network was not listed");
    return true;
  }
  dataSource_.push_back(network);
  logf("sync: network %s found nearby (%zu listed)", network.networkId.c_str(), dataSource_.size());
  reloadTable();
  if (current) return true;
  const std::int64_t remembered = store.autoJoin(dataSource_);
  if (remembered >= 0) join(dataSource_[static_cast<std::size_t>(remembered)]);
  return true;
}

// ---- choosing ----

void JoinSyncNetworkController::scanAccessoryClick() {
  CentralRole& role = CentralRole::shared();
  role.stopScan();
  role.startScan();
}

void JoinSyncNetworkController::itemClick(ModalTableItem& item) {
  const std::int64_t position = item.position();
  if (position < 0 || static_cast<std::size_t>(position) >= dataSource_.size()) return;
  ClientSyncNetworkBean network = dataSource_[static_cast<std::size_t>(position)];
  if (!JoinDataSyncStore::shared().currentJoin()) {
    switchTo(std::move(network));
    return;
  }
  // The list may change before the goodbye ends: the network itself travels, not its row.
  std::weak_ptr<JoinSyncNetworkController> weak =
      std::static_pointer_cast<JoinSyncNetworkController>(shared_from_this());
  ClientSession::shared().bye([weak, network] {
    dispatch::Queue::main()->async([weak, network] {
      if (auto page = weak.lock()) page->switchTo(network);
    });
  });
}

void JoinSyncNetworkController::switchTo(ClientSyncNetworkBean network) {
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  store.setCanNotAutoJoinByLimitReached(network.networkId, false);
  if (store.canAutoJoin(network)) {
    join(network);
    return;
  }
  auto* navigation = navigationController();
  if (!navigation) return;
  auto page = ModalViewController::make<SyncNetworkPasswordController>();
  page->setBean(std::move(network));
  navigation->pushModalViewController(page);
}

void JoinSyncNetworkController::join(const ClientSyncNetworkBean& network) {
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  SyncNetworkClientWrapper::shared().connectWithIp(network.ip, network.port);
  store.addOrUpdate(network);
  std::optional<ClientSyncNetworkBean> remembered = store.getBeanWithIdentifier(network.networkId);
  if (!remembered) return;
  store.setCurrentJoin(*remembered);
  // Should the serving device no longer take the kept token, the password is asked for this network.
  store.setAttempJoin(*remembered);
  logf("sync: joined network %s with its remembered token", network.networkId.c_str());
  removeListed(network.networkId);
  chosenRefresh();
}

void JoinSyncNetworkController::ok() {
  if (!JoinDataSyncStore::shared().currentJoin()) {
    simpleAlert(localized("data.sync.join.alert.chooseNetwork"));
    return;
  }
  SyncBar2::shared()->openWithRole(SyncBar2::RoleClient);
  logDebug("sync: the bar is open as a joined device");
  closePresentingPanel();
}

void JoinSyncNetworkController::ignore() {
  std::optional<ClientSyncNetworkBean> current = JoinDataSyncStore::shared().currentJoin();
  if (!current) {
    ui::beep();
    return;
  }
  auto* navigation = navigationController();
  if (!navigation) return;
  auto page = ModalViewController::make<SyncNetworkIgnoreController>();
  page->setBean(*current);
  navigation->pushModalViewController(page);
}

void JoinSyncNetworkController::didClickLeftItem() {
  if (isRoot()) SyncBar2::shared()->close();
}

}  // namespace vl
