#include "sync/client/SyncNetworkClientWrapper.h"

#include <utility>

#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Mutex.h"
#include "sync/client/ClientSession.h"
#include "sync/client/ServerResponseParser.h"
#include "sync/store/JoinDataSyncStore.h"

namespace vl {

namespace {

struct Installed {
  Mutex mutex;
  SyncClientScreens screens VL_GUARDED_BY(mutex);
};

Installed& installed() {
  static Installed hooks;
  return hooks;
}

// Never waits: the caller may be the client's loop, which the main thread may be waiting for.
void onMain(std::function<void()> block) {
  if (dispatch::MainLoop::isMainThread()) {
    block();
  } else {
    dispatch::Queue::main()->async(std::move(block));
  }
}

int codeOf(const Json& reply) {
  if (!reply.is_object() || !reply.contains("status") || !reply["status"].is_object()) return -1;
  const Json& code = reply["status"]["code"];
  return code.is_number_integer() ? code.get<int>() : -1;
}

std::string messageOf(const Json& reply) {
  if (!reply.is_object() || !reply.contains("status")) return {};
  return jsonString(reply["status"], "msg");
}

void deviceLimitReached() {
  SyncClientScreens screens = SyncNetworkClientWrapper::screens();
  if (!screens.isSyncBarOn()) return;
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  if (std::optional<ClientSyncNetworkBean> current = store.currentJoin())
    store.setCanNotAutoJoinByLimitReached(current->networkId, true);
  ClientSession::shared().byeOneSided();
  VLNotificationCenter::postNotificationName("kNotificationSyncNetworkRefreshJoin");
  if (!screens.isAlertShown()) screens.showAlert(localized("data.sync.reachedUpLimit"), [] {});
}

}  // namespace

SyncNetworkClientWrapper& SyncNetworkClientWrapper::shared() {
  static SyncNetworkClientWrapper wrapper;
  return wrapper;
}

SyncNetworkClientWrapper::SyncNetworkClientWrapper() {
  client_.setMediaHandler([](const Json& message) { ServerResponseParser::getMediametaResponse(message); });
}

void SyncNetworkClientWrapper::setScreens(SyncClientScreens screens) {
  Installed& hooks = installed();
  MutexLock lock(hooks.mutex);
  hooks.screens = std::move(screens);
}

SyncClientScreens SyncNetworkClientWrapper::installedScreens() {
  Installed& hooks = installed();
  MutexLock lock(hooks.mutex);
  return hooks.screens;
}

SyncClientScreens SyncNetworkClientWrapper::screens() {
  SyncClientScreens screens = installedScreens();
  if (!screens.isSyncBarOn) screens.isSyncBarOn = [] { return ClientSession::currentSession() != nullptr; };
  if (!screens.closeSyncBar) {
    screens.closeSyncBar = [] {
      if (ClientSession* session = ClientSession::currentSession()) session->bye();
    };
  }
  if (!screens.closeSyncBarOnlyOnUI) screens.closeSyncBarOnlyOnUI = [] {};
  if (!screens.isAlertShown) screens.isAlertShown = [] { return false; };
  if (!screens.showAlert) {
    screens.showAlert = [](const std::string& message, std::function<void()> ok) {
      // The text may come from the serving device: short and printable in the log.
      std::string line = message.substr(0, 200);
      for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
      }
      logWarningf("sync client: %s", line.c_str());
      if (ok) ok();
    };
  }
  if (!screens.reenterPassword) screens.reenterPassword = [](const ClientSyncNetworkBean&) {};
  if (!screens.sessionStateChanged) screens.sessionStateChanged = [](SyncClientScreens::SessionState) {};
  return screens;
}

// ---- the gateway ----

std::optional<Json> SyncNetworkClientWrapper::gatewway(const Json& reply, const std::string& api) {
  if (api == "bye") return reply;
  if (api != "auth" && !ClientSession::currentSession()) return std::nullopt;
  const int code = codeOf(reply);
  switch (code) {
    case 401:
    case 412:
      logWarningf("sync client: %s answered %d; the password is asked for again", api.c_str(), code);
      passwordReenter();
      return std::nullopt;
    case 408:
      logWarningf("sync client: %s ran out of time", api.c_str());
      return std::nullopt;
    case 500:
      logErrorf("sync client: %s failed; the network closes", api.c_str());
      ClientSession::shared().stopPolling();
      closeSyncNetwork(messageOf(reply));
      return std::nullopt;
    case 600:
      logf("sync client: %s: the serving device disconnected this device", api.c_str());
      // No poll more while the main thread closes the network.
      ClientSession::shared().stopPolling();
      closeSyncNetwork(localized("data.sync.network.serverDisconnect"));
      return std::nullopt;
    case 602:
      logWarningf("sync client: %s: the serving device has no room for this device", api.c_str());
      dispatch::Queue::main()->async(deviceLimitReached);
      return reply;
    default:
      return reply;
  }
}

void SyncNetworkClientWrapper::passwordReenter() {
  onMain([] {
    std::optional<ClientSyncNetworkBean> joining = JoinDataSyncStore::shared().attempJoin();
    if (joining) {
      screens().reenterPassword(*joining);
      return;
    }
    // The network this device syncs with no longer takes its token (its password was changed): the bar
    // must not go on showing it joined while nothing syncs. The user joins again with the password.
    if (ClientSession::currentSession() && JoinDataSyncStore::shared().currentJoin()) {
      logWarning("sync client: the serving device no longer takes this device's token; the network closes");
      ClientSession::shared().stopPolling();
      closeSyncNetwork(localized("data.sync.network.signInAgain"));
    }
  });
}

void SyncNetworkClientWrapper::closeSyncNetwork(const std::string& message) {
  onMain([message] {
    SyncClientScreens screens = SyncNetworkClientWrapper::screens();
    screens.closeSyncBar();
    if (!screens.isAlertShown()) screens.showAlert(message, [] {});
  });
}

void SyncNetworkClientWrapper::closeSyncNetworkWithoutBye(const std::string& message) {
  onMain([message] {
    SyncClientScreens screens = SyncNetworkClientWrapper::screens();
    if (!screens.isSyncBarOn() || screens.isAlertShown()) return;
    screens.showAlert(message, [closeOnUI = screens.closeSyncBarOnlyOnUI] {
      closeOnUI();
      ClientSession::invalidate();
      SyncNetworkClientWrapper::shared().close();
      VLNotificationCenter::postNotificationName("kNotificationSyncNetworkClose");
    });
  });
}

// ---- calls ----

SyncNetworkClientWrapper::Callback SyncNetworkClientWrapper::gated(const char* api, Callback callback) {
  return [api, callback = std::move(callback)](Json reply) {
    std::optional<Json> passed = gatewway(reply, api);
    if (passed && callback) callback(std::move(*passed));
  };
}

void SyncNetworkClientWrapper::connectWithIp(const std::string& ip, std::int64_t port) {
  client_.connectWithIp(ip, port);
}

void SyncNetworkClientWrapper::close() { client_.close(); }

void SyncNetworkClientWrapper::auth(const Json& request, Callback callback) {
  client_.authWithRequest(request, gated("auth", std::move(callback)));
}

void SyncNetworkClientWrapper::bye(const Json& request, Callback callback) {
  client_.byeWithRequest(request, gated("bye", std::move(callback)));
}

void SyncNetworkClientWrapper::syncBye(const Json& request) { client_.syncByeWithRequest(request); }

void SyncNetworkClientWrapper::getChunks(const Json& request, Callback callback) {
  client_.getChunksWithRequest(request, gated("getChunks", std::move(callback)));
}

void SyncNetworkClientWrapper::sendChunks(const Json& request, Callback callback) {
  client_.sendChunksWithRequest(request, gated("sendChunks", std::move(callback)));
}

void SyncNetworkClientWrapper::sendMediameta(const Json& request, Callback callback) {
  client_.sendMediametaWithRequest(request, gated("sendMediameta", std::move(callback)));
}

std::optional<Json> SyncNetworkClientWrapper::getMediameta(const Json& request) {
  return gatewway(client_.getMediametaWithRequest(request), "getMediameta");
}

}  // namespace vl
