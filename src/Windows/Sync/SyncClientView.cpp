#include "Windows/Sync/SyncClientView.h"

#include "Windows/Sync/SyncClientLink.h"
#include "Windows/Sync/SyncLook.h"
#include "Windows/Sync/SyncProviderView.h"
#include "platform/foundation/Localization.h"
#include "theme/VLThemeCategories.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

std::shared_ptr<SyncClientView> SyncClientView::create() {
  auto view = std::make_shared<SyncClientView>();
  view->switchNetworkButton_ = makeSyncStatusButton("syncnetwork-switch");
  view->switchNetworkButton_->setTarget(view);
  view->switchNetworkButton_->setAction("switchNetworkClick:");
  view->setActionHandler("switchNetworkClick:",
                         [raw = view.get()](ui::ActionTarget*) { raw->switchNetworkClick(); });
  view->explainTextView_ = makeSyncLabel(12, ui::TextAlignment::Left);
  view->explainTextView_->setString(localized("data.sync.client.explain"));
  view->addSubview(view->switchNetworkButton_);
  view->addSubview(view->explainTextView_);
  layoutSyncStatusView(*view, *view->explainTextView_, *view->switchNetworkButton_);
  return view;
}

void SyncClientView::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  layoutSyncStatusView(*this, *explainTextView_, *switchNetworkButton_);
}

void SyncClientView::reload() {
  const SyncClientLink& link = SyncClientLink::current();
  std::optional<std::string> name = link.joinedNetworkName();
  if (!name) return;
  switchNetworkButton_->setTitle(*name);
  const std::string key = link.connected() ? "fontNormalColor" : "disableFontColor";
  switchNetworkButton_->setTextColorAssetKey(key);
  setTextColorAssetKey(*switchNetworkButton_->titleView(), key);
}

void SyncClientView::switchNetworkClick() { PanelCenter::shared().showPanelByKey(kPanelSyncSwitch); }

}  // namespace vl
