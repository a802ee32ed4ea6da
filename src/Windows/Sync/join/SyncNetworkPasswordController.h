#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Json.h"
#include "sync/store/ClientSyncNetworkBean.h"
#include "ui/controls/Button2.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

// The password page: one secure field; OK checks that the serving device answers and signs in to the
// network. The network becomes the joined one only when the serving device answers with a token; the
// join page (pushed) or the password panel (root) then goes. A wrong password reaches no reply here:
// the gateway dismisses the panel and opens the password panel for the network again.
//
// The typed password goes into the sign-in request and nowhere else (no log, no store). Main thread
// only; held by shared_ptr (ModalViewController::make).
class SyncNetworkPasswordController : public ModalViewController {
 public:
  // Also titles the page with the network's name.
  void setBean(ClientSyncNetworkBean bean);
  const std::optional<ClientSyncNetworkBean>& bean() const { return bean_; }

  void viewDidLoad() override;
  // Empties the field and gives it the keyboard.
  void viewWillAppear() override;
  // Once pushed into place: the field has the keyboard, and the log says so.
  void viewDidAppear() override;
  std::shared_ptr<ui::View> rightItem() override;
  // As the password panel's root page Cancel leaves the network (the sync bar closes).
  void didClickLeftItem() override;

  void ok();
  // The field takes the keyboard when it is in a window; logs once it did.
  void focusPasswordField();

  const std::shared_ptr<ModalTableItem>& passwordItem() const { return passwordItem_; }

  // The sign-in request for the network with this device's identity.
  static Json signInRequest(const ClientSyncNetworkBean& network, const std::string& password);
  // What the page does with the sign-in reply, on the main thread: a 200 with a token makes the network
  // the joined one (while the sync bar is still on) and returns true; anything else joins nothing.
  static bool signInAnswered(const std::weak_ptr<SyncNetworkPasswordController>& page,
                             ClientSyncNetworkBean network, int code, const std::string& token);

 private:
  static void newConnect(const std::weak_ptr<SyncNetworkPasswordController>& page,
                         const ClientSyncNetworkBean& network, const std::string& password);
  std::shared_ptr<Button2> rightItem_;
  std::optional<ClientSyncNetworkBean> bean_;
  std::shared_ptr<ModalTableItem> passwordItem_;
};

}  // namespace vl
