#include "Windows/Sync/SyncNetworkDevicesPanel.h"

#include "Windows/Sync/SyncLook.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

SyncNetworkDevicesPanel::SyncNetworkDevicesPanel() : AbstractPanel(kFrame) {
  auto root = ModalViewController::make<SyncNetworkDevicesController>();
  root->setIsRoot(true);
  navigation_ = ModalNavigationController::create(root);
  navigation_->setPresenting(this);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<SyncNetworkDevicesController> SyncNetworkDevicesPanel::page() const {
  return std::static_pointer_cast<SyncNetworkDevicesController>(navigation_->rootModalViewController());
}

void SyncNetworkDevicesPanel::frameSizeDidSet(ui::Size size) {
  if (navigation_->view() && navigation_->view()->superview() == this) return;
  navigation_->present(this, size);
}

void SyncNetworkDevicesPanel::show() {
  AbstractPanel::show();
  page()->viewWillAppear();
  const MainViewHooks& hooks = MainViewHooks::current();
  if (ui::Window* window = hooks.mainWindow ? hooks.mainWindow() : nullptr)
    window->makeFirstResponder(nullptr);
}

void SyncNetworkDevicesPanel::panelAnimationDidEnd(bool shown) {
  AbstractPanel::panelAnimationDidEnd(shown);
  if (shown) logDebug("sync: devices panel shown");
}

void SyncNetworkDevicesPanel::dismiss() {
  AbstractPanel::dismiss();
  focusMainSearchInput();
  navigation_->popToRootController();
}

}  // namespace vl
