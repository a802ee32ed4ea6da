#include "Windows/Sync/join/SyncNetworkIgnoreController.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "sync/client/ClientSession.h"
#include "sync/store/JoinDataSyncStore.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

void SyncNetworkIgnoreController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (ignoreItem_) return;
  setActionHandler("ignore:", [this](ui::ActionTarget*) { ignore(); });
  const double w = view()->frame().width(), H = view()->frame().height();
  if (bean_) setTitle(bean_->networkName);

  ignoreItem_ = ModalTableItem::create({0, H - 70, w, 40});
  ignoreItem_->setMode(ModalTableItem::Title);
  ignoreItem_->resetStyle(ModalTableItem::Single);
  ignoreItem_->setTitle(localized("data.sync.network.ignore"));
  ignoreItem_->setTitleColorAssetKey(std::string("accentTextColor"));
  ignoreItem_->setTarget(shared_from_this());
  ignoreItem_->setAction("ignore:");
  view()->addSubview(ignoreItem_);

  deviceNameSectionView_ = ModalTableSectionView::create({0, ignoreItem_->frame().origin.y - 55, 130, 35});
  deviceNameSectionView_->setTitle(localized("data.sync.network.ignore.deviceName"));
  view()->addSubview(deviceNameSectionView_);

  deviceItem_ = ModalTableItem::create({0, deviceNameSectionView_->frame().origin.y - 40, w, 40});
  deviceItem_->setMode(ModalTableItem::Title);
  deviceItem_->resetStyle(ModalTableItem::Single);
  deviceItem_->setTitleColorAssetKey(std::string("fontNormalColor"));
  if (bean_) deviceItem_->setTitle(bean_->serverDeviceName);
  view()->addSubview(deviceItem_);
}

void SyncNetworkIgnoreController::ignore() {
  if (!bean_) return;
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  store.removeWithIdentifier(bean_->networkId);
  logf("sync: network %s forgotten", bean_->networkId.c_str());
  std::optional<ClientSyncNetworkBean> current = store.currentJoin();
  if (!current || current->networkId != bean_->networkId) {
    back();
    return;
  }
  std::weak_ptr<SyncNetworkIgnoreController> weak =
      std::static_pointer_cast<SyncNetworkIgnoreController>(shared_from_this());
  ClientSession::shared().bye([weak] {
    if (auto page = weak.lock()) page->back();
  });
}

void SyncNetworkIgnoreController::back() {
  ModalNavigationController* navigation = navigationController();
  if (navigation && navigation->currentModalViewController().get() == this)
    navigation->popModalViewController();
}

}  // namespace vl
