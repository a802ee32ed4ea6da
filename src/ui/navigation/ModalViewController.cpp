#include "ui/navigation/ModalViewController.h"

#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "theme/VLThemeCategories.h"
#include "ui/alert/Alert.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

void ModalViewController::build() {
  mainView_ = ui::View::create();
  mainView_->setWantsLayer(true);
  setBackgroundColorAssetKey(*mainView_->layer(), std::string(kMainBackgroundKey));
  navigationBar_ = ModalNavigationBar::create();
  view_ = ui::View::create();
  mainView_->addSubview(navigationBar_);
  mainView_->addSubview(view_);
  setActionHandler("cancel:", [this](ui::ActionTarget*) { cancel(); });
  setActionHandler("back:", [this](ui::ActionTarget*) { back(); });
}

void ModalViewController::setMainViewSize(ui::Size size) {
  double w = size.width, h = size.height, b = ModalNavigationBar::kHeight;
  mainView_->setFrameSize(size);
  navigationBar_->initSize({w, b});
  if (showNavigationBarAtBottom_) {
    navigationBar_->setFrameOrigin({0, 0});
    view_->setFrame({0, b, w, h - b});
    navigationBar_->showLineAtTop();
  } else {
    navigationBar_->setFrameOrigin({0, h - b});
    view_->setFrame({0, 0, w, h - b});
  }
}

void ModalViewController::viewDidLoad() {
  navigationBar_->setLeftItem(isRoot_ ? cancelItem() : backItem());
  navigationBar_->setRightItem(rightItem());
}

std::shared_ptr<Button2> ModalViewController::makeLeftItem(const std::string& title, const char* action) {
  auto item = Button2::create({0, 0, 65, 30});
  item->setTitle(title);
  item->setAlignment(ui::TextAlignment::Center);
  item->setRadius(4);
  item->setButtonBackgroundColorAssetKey(std::string("viceButtonBackgroundColor"));
  item->setTextColorAssetKey(std::string("fontNormalColor"));
  item->setBorderWidth(1);
  item->setBorderColorAssetKey(std::string("viceButtonBorderColor"));
  item->setFont(ui::Font::systemFont(16));
  item->setTarget(shared_from_this());
  item->setAction(action);
  return item;
}

const std::shared_ptr<Button2>& ModalViewController::cancelItem() {
  if (!cancelItem_) cancelItem_ = makeLeftItem(localized("cancel"), "cancel:");
  return cancelItem_;
}

const std::shared_ptr<Button2>& ModalViewController::backItem() {
  if (!backItem_) backItem_ = makeLeftItem(localized("back"), "back:");
  return backItem_;
}

void ModalViewController::setTitle(const std::string& title) {
  navigationBar_->titleView()->setString(title);
}

void ModalViewController::cancel() {
  didClickLeftItem();
  VLPresenting* presenting = navigationController_ ? navigationController_->presenting() : nullptr;
  if (!presenting) {
    logWarning("ModalViewController: Cancel without a presenting panel, nothing to dismiss");
    return;
  }
  presenting->dismiss();
}

void ModalViewController::back() {
  didClickLeftItem();
  if (navigationController_) navigationController_->popModalViewController();
}

void ModalViewController::simpleAlert(const std::string& message) {
  auto alert = Alert::ofTitle<ModalAlert>(
      message, [] {}, nullptr);
  // Its Escape entry closes it only while it is up: once OK closed it, Escape goes on to the page.
  alert->showWithEscape(mainView_.get());
}

}  // namespace vl
