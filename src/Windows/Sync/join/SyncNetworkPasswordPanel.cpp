#include "Windows/Sync/join/SyncNetworkPasswordPanel.h"

#include "Windows/Sync/SyncLook.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/Layer.h"

namespace vl {

SyncNetworkPasswordPanel::SyncNetworkPasswordPanel() : AbstractPanel(kFrame) {
  auto root = ModalViewController::make<SyncNetworkPasswordController>();
  root->setIsRoot(true);
  navigation_ = ModalNavigationController::create(root);
  navigation_->setPresenting(this);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<SyncNetworkPasswordController> SyncNetworkPasswordPanel::rootPage() const {
  return std::static_pointer_cast<SyncNetworkPasswordController>(navigation_->rootModalViewController());
}

void SyncNetworkPasswordPanel::frameSizeDidSet(ui::Size size) {
  if (navigation_->view() && navigation_->view()->superview() == this) return;
  navigation_->present(this, size);
}

void SyncNetworkPasswordPanel::show() {
  AbstractPanel::show();
  rootPage()->viewWillAppear();
}

void SyncNetworkPasswordPanel::showWithParams(const PanelParams& params) {
  const ClientSyncNetworkBean* network =
      params.empty() ? nullptr : std::any_cast<ClientSyncNetworkBean>(&params.front());
  if (!network) {
    logWarning("sync: the password panel was asked for without a network; not shown");
    return;
  }
  show();
  rootPage()->setBean(*network);
}

void SyncNetworkPasswordPanel::panelAnimationDidEnd(bool shown) {
  AbstractPanel::panelAnimationDidEnd(shown);
  if (!shown) return;
  // The end of the show gives the search field's keyboard away; the password field takes it after.
  rootPage()->focusPasswordField();
  logDebug("sync: password panel shown");
}

void SyncNetworkPasswordPanel::dismiss() {
  AbstractPanel::dismiss();
  focusMainSearchInput();
  navigation_->popToRootController();
}

}  // namespace vl
