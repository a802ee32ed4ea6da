#include "Windows/Sync/SyncProviderView.h"

#include <string>
#include <vector>

#include "Windows/Sync/SyncLook.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/Beep.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

namespace {

std::vector<AuthorizedBean> connectedDevices() {
  CreatedDataSyncStore::Network network = CreatedDataSyncStore::shared().currentProvider();
  return network ? network->connectedAndAuthorized() : std::vector<AuthorizedBean>{};
}

std::string explainFor(std::size_t count) {
  return localizedFormat("data.sync.provider.explain", std::to_string(count));
}

}  // namespace

void layoutSyncStatusView(ui::View& view, ui::View& explain, ui::View& button) {
  const double W = view.frame().width();
  explain.setFrame({0, 2, W, 15});
  button.setFrame({0, explain.frame().maxY() + 2, W, 20});
}

std::shared_ptr<SyncProviderView> SyncProviderView::create() {
  auto view = std::make_shared<SyncProviderView>();
  view->allDevicesButton_ = makeSyncStatusButton("syncnetwork-alldevices");
  view->allDevicesButton_->setTarget(view);
  view->allDevicesButton_->setAction("allDevicesClick:");
  view->setActionHandler("allDevicesClick:",
                         [raw = view.get()](ui::ActionTarget*) { raw->allDevicesClick(); });
  view->explainTextView_ = makeSyncLabel(12, ui::TextAlignment::Left);
  view->explainTextView_->setString(explainFor(0));
  view->addSubview(view->allDevicesButton_);
  view->addSubview(view->explainTextView_);
  layoutSyncStatusView(*view, *view->explainTextView_, *view->allDevicesButton_);
  return view;
}

void SyncProviderView::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  layoutSyncStatusView(*this, *explainTextView_, *allDevicesButton_);
}

void SyncProviderView::reload() {
  const std::vector<AuthorizedBean> connected = connectedDevices();
  allDevicesButton_->setTitle(connected.empty() ? localized("data.sync.provider.wait")
                                                : connected.back().deviceName);
  explainTextView_->setString(notFindable_ ? localized("data.sync.provider.notFindable")
                                           : explainFor(connected.size()));
  if (connected.size() != shownCount_) logf("sync bar: %zu devices connected", connected.size());
  shownCount_ = connected.size();
}

void SyncProviderView::setNotFindable(bool notFindable) {
  notFindable_ = notFindable;
  reload();
}

void SyncProviderView::allDevicesClick() {
  if (connectedDevices().empty()) {
    ui::beep();
    return;
  }
  PanelCenter::shared().showPanelByKey(kPanelSyncDevices);
}

}  // namespace vl
