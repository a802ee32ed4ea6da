#include "Windows/Sync/StartDataSyncPanel.h"

#include "platform/ui/view/Layer.h"
#include "sync/discovery/CentralRole.h"

namespace vl {

StartDataSyncPanel::StartDataSyncPanel() : AbstractPanel(kFrame) {
  auto root = ModalViewController::make<CreateOrJoinSyncNetworkController>();
  root->setIsRoot(true);
  navigation_ = ModalNavigationController::create(root);
  navigation_->setPresenting(this);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<CreateOrJoinSyncNetworkController> StartDataSyncPanel::rootPage() const {
  return std::static_pointer_cast<CreateOrJoinSyncNetworkController>(navigation_->rootModalViewController());
}

void StartDataSyncPanel::frameSizeDidSet(ui::Size size) {
  if (navigation_->view() && navigation_->view()->superview() == this) return;
  navigation_->present(this, size);
}

void StartDataSyncPanel::panelAnimationDidEnd(bool shown) {
  AbstractPanel::panelAnimationDidEnd(shown);
  if (!shown) navigation_->popToRootController();
}

void StartDataSyncPanel::dismiss() {
  AbstractPanel::dismiss();
  CentralRole::shared().stopScan();
}

}  // namespace vl
