#include "Windows/Sync/StartDataSyncPanel.h"

#include "platform/foundation/Log.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"
#include "sync/discovery/CentralRole.h"
#include "ui/panels/MainViewHooks.h"

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

void StartDataSyncPanel::show() {
  AbstractPanel::show();
  const MainViewHooks& hooks = MainViewHooks::current();
  if (ui::Window* window = hooks.mainWindow ? hooks.mainWindow() : nullptr)
    window->makeFirstResponder(nullptr);
}

void StartDataSyncPanel::panelAnimationDidEnd(bool shown) {
  AbstractPanel::panelAnimationDidEnd(shown);
  logDebug(shown ? "sync: start panel shown" : "sync: start panel hidden");
  if (!shown) navigation_->popToRootController();
}

void StartDataSyncPanel::dismiss() {
  AbstractPanel::dismiss();
  CentralRole::shared().stopScan();
}

}  // namespace vl
