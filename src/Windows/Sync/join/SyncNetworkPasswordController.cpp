#include "Windows/Sync/join/SyncNetworkPasswordController.h"

#include "Windows/Sync/SyncBar2.h"
#include "Windows/Sync/SyncLook.h"
#include "core/VLDevice.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/window/Window.h"
#include "sync/client/ClientSession.h"
#include "sync/client/Ping.h"
#include "sync/client/SyncNetworkClientWrapper.h"
#include "sync/store/JoinDataSyncStore.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {

namespace {

int statusCode(const Json& reply) {
  if (!reply.is_object() || !reply.contains("status") || !reply["status"].is_object()) return -1;
  const Json& code = reply["status"]["code"];
  return code.is_number_integer() ? code.get<int>() : -1;
}

}  // namespace

std::shared_ptr<ui::View> SyncNetworkPasswordController::rightItem() {
  if (!rightItem_) rightItem_ = makeSyncActionButton("ok", shared_from_this(), "ok:");
  return rightItem_;
}

void SyncNetworkPasswordController::setBean(ClientSyncNetworkBean bean) {
  setTitle(bean.networkName);
  bean_ = std::move(bean);
}

void SyncNetworkPasswordController::viewDidLoad() {
  ModalViewController::viewDidLoad();
  if (passwordItem_) return;
  setActionHandler("ok:", [this](ui::ActionTarget*) { ok(); });
  const double w = view()->frame().width(), H = view()->frame().height();
  passwordItem_ = ModalTableItem::create({0, H - 70, w, 40});
  passwordItem_->setMode(ModalTableItem::SecureInput);
  passwordItem_->setPlaceholder(localized("data.sync.join.password"));
  passwordItem_->resetStyle(ModalTableItem::Single);
  view()->addSubview(passwordItem_);
}

void SyncNetworkPasswordController::viewWillAppear() {
  if (!passwordItem_) return;
  passwordItem_->setText("");
  focusPasswordField();
  // A pushed page reaches the window only once the push has put it there.
  std::weak_ptr<SyncNetworkPasswordController> weak =
      std::static_pointer_cast<SyncNetworkPasswordController>(shared_from_this());
  dispatch::Queue::main()->async([weak] {
    if (auto page = weak.lock()) page->focusPasswordField();
  });
}

void SyncNetworkPasswordController::viewDidAppear() {
  focusPasswordField();
  logDebug("sync: password page shown");
}

void SyncNetworkPasswordController::focusPasswordField() {
  if (!passwordItem_) return;
  const std::shared_ptr<ui::SecureTextField>& field = passwordItem_->secureInput();
  if (ui::Window* window = field->window()) window->makeFirstResponder(field.get());
}

void SyncNetworkPasswordController::didClickLeftItem() {
  if (isRoot()) SyncBar2::shared()->close();
}

Json SyncNetworkPasswordController::signInRequest(const ClientSyncNetworkBean& network,
                                                  const std::string& password) {
  return Json{{"device_id", VLDevice::uuid()},
              {"device_name", VLDevice::name()},
              {"network_id", network.networkId},
              {"password", password}};
}

void SyncNetworkPasswordController::ok() {
  const std::string password = passwordItem_->text().value_or("");
  if (password.empty()) {
    simpleAlert(localized("data.sync.alert.passwordIsEmpty"));
    return;
  }
  if (!bean_) return;
  const ClientSyncNetworkBean network = *bean_;
  if (!Ping::oneTake(network.ip, network.port)) {
    logWarningf("sync: network %s does not answer; not signing in", network.networkId.c_str());
    simpleAlert(localizedFormat("data.sync.network.serverWillClose", network.networkName));
    return;
  }
  std::weak_ptr<SyncNetworkPasswordController> weak =
      std::static_pointer_cast<SyncNetworkPasswordController>(shared_from_this());
  if (JoinDataSyncStore::shared().currentJoin()) {
    ClientSession::shared().bye([weak, network, password] { newConnect(weak, network, password); });
    return;
  }
  newConnect(weak, network, password);
}

void SyncNetworkPasswordController::newConnect(const std::weak_ptr<SyncNetworkPasswordController>& page,
                                               const ClientSyncNetworkBean& network,
                                               const std::string& password) {
  SyncNetworkClientWrapper& client = SyncNetworkClientWrapper::shared();
  client.connectWithIp(network.ip, network.port);
  JoinDataSyncStore::shared().setAttempJoin(network);
  logf("sync: signing in to network %s", network.networkId.c_str());
  // On the client's thread; everything else happens on the main thread.
  client.auth(signInRequest(network, password), [page, network](Json reply) {
    const int code = statusCode(reply);
    const std::string token = jsonString(reply, "access_token");
    dispatch::Queue::main()->async(
        [page, network, code, token] { signInAnswered(page, network, code, token); });
  });
}

bool SyncNetworkPasswordController::signInAnswered(const std::weak_ptr<SyncNetworkPasswordController>& page,
                                                   ClientSyncNetworkBean network, int code,
                                                   const std::string& token) {
  // A full network (602) answers without a token; joining with an empty one would only fail later.
  if (code != 200 || token.empty()) {
    logWarningf("sync: signing in to network %s answered %d without a token; nothing joined",
                network.networkId.c_str(), code);
    return false;
  }
  // The user switched sync off while the answer was on its way: no records may go out now.
  if (!SyncBar2::shared()->on()) {
    logWarningf("sync: signed in to network %s after sync was switched off; not joined",
                network.networkId.c_str());
    return false;
  }
  network.accessToken = token;
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  store.setCurrentJoin(network);
  store.addOrUpdate(network);
  SyncBar2::shared()->reload();
  logf("sync: joined network %s", network.networkId.c_str());
  auto self = page.lock();
  ModalNavigationController* navigation = self ? self->navigationController() : nullptr;
  if (!navigation) return true;
  if (self->isRoot()) {
    if (VLPresenting* presenting = navigation->presenting()) presenting->dismiss();
  } else if (navigation->currentModalViewController() == self) {
    navigation->popModalViewController();
  }
  return true;
}

}  // namespace vl
