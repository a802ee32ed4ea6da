#include "Windows/Sync/SyncNetworkDevicesController.h"

#include <algorithm>
#include <string>

#include "Windows/Sync/SyncBar2.h"
#include "Windows/Sync/SyncLook.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "ui/alert/Alert.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

namespace {

// The question before a device is disconnected; the log says when it is up, so an answer can follow.
class DisconnectAlert : public ModalAlert {
 public:
  using ModalAlert::ModalAlert;

 protected:
  void showDidEnd() override { logDebug("sync: asking before disconnecting a device"); }
};

}  // namespace

std::shared_ptr<ui::View> SyncNetworkDevicesController::rightItem() {
  if (!rightItem_) rightItem_ = makeSyncActionButton("close", shared_from_this(), "close:");
  return rightItem_;
}

void SyncNetworkDevicesController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (tableView_) return;
  setTitle(localized("data.sync.connectedDevices"));
  setActionHandler("close:", [this](ui::ActionTarget*) { close(); });
  setActionHandler("itemClick:", [](ui::ActionTarget*) {});
  setActionHandler("disconnectAccessoryClick:", [this](ui::ActionTarget* sender) {
    if (auto* accessory = dynamic_cast<ModalTableItemAccessory*>(sender))
      disconnectAccessoryClick(*accessory);
  });
  auto self = std::static_pointer_cast<SyncNetworkDevicesController>(shared_from_this());
  tableView_ = ModalTableView::create({0, 0, view()->frame().width(), 0});
  tableView_->setModalTableViewDataSource(std::shared_ptr<ModalTableViewDataSource>(self, self.get()));
  tableView_->setModalTableViewDelegate(std::shared_ptr<ModalTableViewDelegate>(self, self.get()));
  view()->addSubview(tableView_);
}

void SyncNetworkDevicesController::viewWillAppear() {
  if (!tableView_) return;
  CreatedDataSyncStore::Network network = CreatedDataSyncStore::shared().currentProvider();
  dataSource_ = network ? network->connectedAndAuthorized() : std::vector<AuthorizedBean>{};
  items_.clear();
  const double h =
      std::min(ModalTableView::kRowHeight * static_cast<double>(dataSource_.size()), kMaxTableHeight);
  const double W = view()->frame().width(), H = view()->frame().height();
  tableView_->setFrame({0, H - 30 - h, W, h});
  tableView_->reloadData();
}

long SyncNetworkDevicesController::numberOfRowsInTableView(ModalTableView&) {
  return static_cast<long>(dataSource_.size());
}

std::shared_ptr<ui::TableRowView> SyncNetworkDevicesController::tableViewRowViewForRow(ModalTableView&,
                                                                                       long row) {
  if (row < 0 || static_cast<std::size_t>(row) >= dataSource_.size()) return nullptr;
  auto item = ModalTableItem::create();
  item->setMode(ModalTableItem::Title);
  item->setTarget(shared_from_this());
  item->setAction("itemClick:");
  auto disconnect = ModalTableItemAccessoryButton::create();
  disconnect->setTitle(localized("disconnect"));
  disconnect->setTitleClicked(localized("disconnected"));
  disconnect->setTitleColorAssetKey(std::string("accentTextColor"));
  disconnect->setTitleClickedColorAssetKey(std::string("disableFontColor"));
  disconnect->setTarget(shared_from_this());
  disconnect->setAction("disconnectAccessoryClick:");
  // Listed again while it is up (a device came or went): a device already asked to leave still says so.
  if (dataSource_[static_cast<std::size_t>(row)].tryDisconnect) disconnect->setClicked(true);
  item->setRightAccessories({disconnect});
  item->setPosition(row);
  item->resetStyle(ModalTableItem::styleAt(row, static_cast<long>(dataSource_.size())));
  item->setTitle(titleBeforeAccessories(dataSource_[static_cast<std::size_t>(row)].deviceName,
                                        view()->frame().width(), item->rightAccessories()));
  items_[row] = item;
  return ModalTableRowViewWrapper::box(item);
}

std::shared_ptr<ModalTableItem> SyncNetworkDevicesController::itemAt(long row) const {
  auto it = items_.find(row);
  return it == items_.end() ? nullptr : it->second;
}

void SyncNetworkDevicesController::close() {
  if (auto* navigation = navigationController(); navigation && navigation->presenting())
    navigation->presenting()->dismiss();
}

void SyncNetworkDevicesController::disconnectAccessoryClick(ModalTableItemAccessory& accessory) {
  ModalTableItem* item = accessory.item();
  if (!item || item->position() < 0 || static_cast<std::size_t>(item->position()) >= dataSource_.size())
    return;
  const std::string token = dataSource_[static_cast<std::size_t>(item->position())].accessToken;
  std::weak_ptr<ModalTableItemAccessoryButton> button =
      std::dynamic_pointer_cast<ModalTableItemAccessoryButton>(accessory.self());
  CreatedDataSyncStore::Network network = CreatedDataSyncStore::shared().currentProvider();
  if (!network) return;
  auto alert = Alert::ofTitle<DisconnectAlert>(
      localized("data.sync.disconnectDevice.alert"),
      [button, network, token] {
        if (auto b = button.lock()) b->setClicked(true);
        network->setTryDisconnect(token);
        logDebug("sync: a connected device is to be disconnected");
        dispatch::Queue::main()->async([] { SyncBar2::shared()->reload(); });
      },
      [] {});
  alert->showWithEscape(getMainView().get());
}

}  // namespace vl
