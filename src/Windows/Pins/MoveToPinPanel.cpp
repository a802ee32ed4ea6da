#include "Windows/Pins/MoveToPinPanel.h"

#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

MoveToPinPanel::MoveToPinPanel() : AbstractPanel(kFrame) {
  auto root = ModalViewController::make<MoveToPinController>();
  root->setIsRoot(true);
  navigation_ = ModalNavigationController::create(root);
  navigation_->setPresenting(this);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<MoveToPinPanel> MoveToPinPanel::create() { return std::make_shared<MoveToPinPanel>(); }

std::shared_ptr<MoveToPinController> MoveToPinPanel::page() const {
  return std::static_pointer_cast<MoveToPinController>(navigation_->rootModalViewController());
}

void MoveToPinPanel::frameSizeDidSet(ui::Size size) {
  if (navigation_->view()->superview() == this) return;
  navigation_->present(this, size);
}

void MoveToPinPanel::show() {
  AbstractPanel::show();
  page()->viewWillAppear();
  const MainViewHooks& hooks = MainViewHooks::current();
  if (ui::Window* window = hooks.mainWindow ? hooks.mainWindow() : nullptr)
    window->makeFirstResponder(nullptr);
}

void MoveToPinPanel::dismiss() {
  AbstractPanel::dismiss();
  navigation_->popToRootController();
}

}  // namespace vl
