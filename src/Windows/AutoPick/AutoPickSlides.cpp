#include "Windows/AutoPick/AutoPickSlides.h"

#include <any>
#include <string>

#include "Windows/AutoPick/AutoPickTagDetailController.h"
#include "Windows/AutoPick/AutoPickTagsEditor.h"
#include "Windows/AutoPick/SelectAutoPickTagsController.h"
#include "autopick/AutoPickNode.h"
#include "platform/foundation/Log.h"
#include "ui/panels/SlideCenter.h"

namespace vl {

namespace {

template <typename T>
T paramAt(const PanelParams& params, std::size_t i, T fallback) {
  if (i < params.size()) {
    if (const T* p = std::any_cast<T>(&params[i])) return *p;
  }
  logWarningf("AutoPickSlide: parameter %zu missing or of another type", i);
  return fallback;
}

}  // namespace

AutoPickSlide::AutoPickSlide() : AbstractSlide({0, 0, kWidth, kHeight}) {
  auto root = ModalViewController::make<SelectAutoPickTagsController>();
  root->setShowNavigationBarAtBottom(true);
  nav_ = ModalNavigationController::create(root);
  nav_->setPresenting(this);
}

std::shared_ptr<SelectAutoPickTagsController> AutoPickSlide::page() const {
  return std::static_pointer_cast<SelectAutoPickTagsController>(nav_->rootModalViewController());
}

void AutoPickSlide::frameSizeDidSet(ui::Size size) { nav_->present(this, size); }

void AutoPickSlide::showWithParams(const PanelParams& params) {
  show();
  auto picker = page();
  picker->setPinTabId(paramAt<std::string>(params, 0, ""));
  picker->setEditor(paramAt<std::shared_ptr<AutoPickTagsEditor>>(params, 1, nullptr));
  picker->viewWillAppear();
}

void AutoPickSlide::dismiss() {
  AbstractSlide::dismiss();
  nav_->popToRootController();
}

AutoPickDetailSlide::AutoPickDetailSlide()
    : AbstractSlide({0, 0, AutoPickSlide::kWidth, AutoPickSlide::kHeight}) {
  auto root = ModalViewController::make<AutoPickTagDetailController>();
  root->setShowNavigationBarAtBottom(true);
  nav_ = ModalNavigationController::create(root);
  nav_->setPresenting(this);
}

std::shared_ptr<AutoPickTagDetailController> AutoPickDetailSlide::page() const {
  return std::static_pointer_cast<AutoPickTagDetailController>(nav_->rootModalViewController());
}

void AutoPickDetailSlide::frameSizeDidSet(ui::Size size) { nav_->present(this, size); }

void AutoPickDetailSlide::showWithParams(const PanelParams& params) {
  show();
  auto detail = page();
  detail->setNode(paramAt<std::shared_ptr<AutoPickNode>>(params, 0, nullptr));
  detail->setEditable(paramAt<bool>(params, 1, false));
  detail->viewWillAppear();
}

void AutoPickDetailSlide::dismiss() {
  AbstractSlide::dismiss();
  nav_->popToRootController();
}

void registerAutoPickSlides() {
  SlideCenter::shared().registerSlide(std::make_shared<AutoPickSlide>(), kSlideAutoPick);
  SlideCenter::shared().registerSlide(std::make_shared<AutoPickDetailSlide>(), kSlideAutoPickDetail);
}

}  // namespace vl
