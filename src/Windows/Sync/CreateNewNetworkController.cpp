#include "Windows/Sync/CreateNewNetworkController.h"

#include <string>

#include "Windows/Sync/SyncLook.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

std::shared_ptr<ui::View> CreateNewNetworkController::rightItem() {
  if (!rightItem_) rightItem_ = makeSyncActionButton(bean_ ? "save" : "add", shared_from_this(), "done:");
  return rightItem_;
}

std::shared_ptr<ModalTableItem> CreateNewNetworkController::makeRow(ModalTableItem::Mode mode,
                                                                    ModalTableItem::Style style,
                                                                    const char* placeholderKey, double y) {
  auto row = ModalTableItem::create({0, y, view()->frame().width(), 40});
  row->setMode(mode);
  row->resetStyle(style);
  row->setPlaceholder(localized(placeholderKey));
  view()->addSubview(row);
  return row;
}

void CreateNewNetworkController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (nameItem_) return;
  setActionHandler("done:", [this](ui::ActionTarget*) { done(); });
  const double H = view()->frame().height();
  nameItem_ = makeRow(ModalTableItem::TextInput, ModalTableItem::First, "data.sync.new.name", H - 70);
  passwordItem_ =
      makeRow(ModalTableItem::SecureInput, ModalTableItem::Middle, "data.sync.new.password", H - 110);
  confirmPasswordItem_ =
      makeRow(ModalTableItem::SecureInput, ModalTableItem::Last, "data.sync.new.confirmPassword", H - 150);
  if (bean_) {
    setTitle(localized("data.sync.modify"));
    nameItem_->setText(bean_->name());
    passwordItem_->setText(bean_->password());
    confirmPasswordItem_->setText(bean_->password());
  } else {
    setTitle(localized("data.sync.new"));
  }
}

void CreateNewNetworkController::viewDidAppear() { logDebug("sync: network form shown"); }

void CreateNewNetworkController::done() {
  const std::string name = nameItem_->text().value_or("");
  const std::string password = passwordItem_->text().value_or("");
  const std::string confirmation = confirmPasswordItem_->text().value_or("");
  const char* problem = name.empty()               ? "data.sync.alert.nameIsEmpty"
                        : password.empty()         ? "data.sync.alert.passwordIsEmpty"
                        : confirmation.empty()     ? "data.sync.alert.connfirmPasswordIsEmpty"
                        : password != confirmation ? "data.sync.alert.passwordNotSame"
                                                   : nullptr;
  if (problem) {
    simpleAlert(localized(problem));
    return;
  }
  CreatedDataSyncStore& store = CreatedDataSyncStore::shared();
  if (bean_) {
    store.updateWithIdentifier(bean_->identifier(), name, password);
    logf("sync: network %s changed", bean_->identifier().c_str());
  } else {
    CreatedDataSyncStore::Network network = ServerSyncNetworkBean::ofName(name, password);
    store.add(network);
    logf("sync: network %s created", network->identifier().c_str());
  }
  if (auto* navigation = navigationController()) navigation->popModalViewController();
}

}  // namespace vl
