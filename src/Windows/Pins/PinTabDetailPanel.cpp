#include "Windows/Pins/PinTabDetailPanel.h"

#include "pins/PinTab.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Window.h"

namespace vl {

PinTabDetailPanel::PinTabDetailPanel() : AbstractPanel(kFrame) {
  auto root = ModalViewController::make<PinTabDetailController>();
  root->setIsRoot(true);
  navigation_ = ModalNavigationController::create(root);
  navigation_->setPresenting(this);
  layer()->setMasksToBounds(true);
}

std::shared_ptr<PinTabDetailPanel> PinTabDetailPanel::create() {
  return std::make_shared<PinTabDetailPanel>();
}

std::shared_ptr<PinTabDetailController> PinTabDetailPanel::page() const {
  return std::static_pointer_cast<PinTabDetailController>(navigation_->rootModalViewController());
}

void PinTabDetailPanel::frameSizeDidSet(ui::Size size) {
  // Every move into a view reports the size; the pages are presented once.
  if (navigation_->view()->superview() == this) return;
  navigation_->present(this, size);
}

void PinTabDetailPanel::show() { showWithParams({}); }

void PinTabDetailPanel::showWithParams(const PanelParams& params) {
  std::shared_ptr<PinTab> tab;
  if (!params.empty()) {
    if (const auto* given = std::any_cast<std::shared_ptr<PinTab>>(&params.front())) tab = *given;
    if (!tab) logWarning("pin tab form: the parameter is not a pin tab; the form creates one instead");
  }
  AbstractPanel::show();
  page()->setPinTab(std::move(tab));
  page()->loadState();
  // The name is typed at once, without a click into its field first.
  if (ui::Window* w = window(); w && page()->nameItem())
    w->makeFirstResponder(page()->nameItem()->input().get());
}

void PinTabDetailPanel::dismiss() {
  AbstractPanel::dismiss();
  navigation_->popToRootController();
}

void PinTabDetailPanel::panelAnimationDidEnd(bool shown) {
  AbstractPanel::panelAnimationDidEnd(shown);
  // A closed form holds no tab, so a later show of any kind starts a new one.
  if (!shown) page()->setPinTab(nullptr);
}

}  // namespace vl
