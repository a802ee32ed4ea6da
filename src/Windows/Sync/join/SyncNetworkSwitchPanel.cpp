#include "Windows/Sync/join/SyncNetworkSwitchPanel.h"

#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"
#include "sync/discovery/CentralRole.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

SyncNetworkSwitchPanel::SyncNetworkSwitchPanel() : AbstractPanel(kFrame) {
  auto root = ModalViewController::make<JoinSyncNetworkController>();
  root->setIsRoot(true);
  navigation_ = ModalNavigationController::create(root);
  navigation_->setPresenting(this);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<JoinSyncNetworkController> SyncNetworkSwitchPanel::rootPage() const {
  return std::static_pointer_cast<JoinSyncNetworkController>(navigation_->rootModalViewController());
}

void SyncNetworkSwitchPanel::frameSizeDidSet(ui::Size size) {
  if (navigation_->view() && navigation_->view()->superview() == this) return;
  navigation_->present(this, size);
}

void SyncNetworkSwitchPanel::show() {
  AbstractPanel::show();
  rootPage()->viewWillAppear();
  // Keys typed into the pages must not reach the search field behind the panel.
  const MainViewHooks& hooks = MainViewHooks::current();
  if (ui::Window* window = hooks.mainWindow ? hooks.mainWindow() : nullptr)
    window->makeFirstResponder(nullptr);
}

void SyncNetworkSwitchPanel::dismiss() {
  AbstractPanel::dismiss();
  // A scan left running would keep the radio busy and the page joining behind a closed panel.
  CentralRole::shared().stopScan();
  navigation_->popToRootController();
}

}  // namespace vl
