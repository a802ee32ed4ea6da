#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "gRPC/Client/SyncNetworkClient.h"
#include "platform/foundation/Json.h"
#include "sync/client/SyncClientScreens.h"

namespace vl {

// The joined device's one way to the serving device: it owns the gRPC client (made with the wrapper,
// kept for the life of the process), hands every streamed image message to ServerResponseParser, and
// passes every reply through its gateway (gatewway), which carries out what a status code means for
// this device before the caller sees the reply:
//
//   no current session   only "auth" and "bye" replies go on; every other is dropped unread
//   401, 412             passwordReenter; dropped
//   408                  dropped (the call's time limit ran out)
//   500                  closeSyncNetwork with the reply's "msg"; dropped
//   600                  closeSyncNetwork with "data.sync.network.serverDisconnect"; dropped
//   602                  the device limit is handled on the main thread; the reply goes on
//   anything else        goes on
// A "bye" reply always goes on untouched: a device that is leaving is never sent to the password panel
// or closed a second time.
//
// Callbacks run on the client's event-loop thread, and only for replies the gateway lets through. What
// the gateway does on the main thread is posted there, never waited for, so the loop never waits for
// the main thread (which may itself be waiting for the loop, at quit). The screens' side of it goes
// through SyncClientScreens.
class SyncNetworkClientWrapper {
 public:
  using Callback = std::function<void(Json reply)>;

  static SyncNetworkClientWrapper& shared();

  // Waits for the previous channel to close; never on the client's loop thread.
  void connectWithIp(const std::string& ip, std::int64_t port);
  void close();

  void auth(const Json& request, Callback callback);
  void bye(const Json& request, Callback callback);
  // Waits for the Bye reply (the client's unary time limit bounds it); the reply is not looked at.
  void syncBye(const Json& request);
  void getChunks(const Json& request, Callback callback);
  void sendChunks(const Json& request, Callback callback);
  void sendMediameta(const Json& request, Callback callback);
  // Waits until the stream has ended; each streamed message went to ServerResponseParser meanwhile.
  // The reply as the gateway lets it through, or nothing.
  std::optional<Json> getMediameta(const Json& request);

  // The reply when it reaches the caller, nothing when dropped (after acting on its code).
  static std::optional<Json> gatewway(const Json& reply, const std::string& api);

  // Each posts its work to the main thread and returns at once (on the main thread it runs inline).
  static void passwordReenter();
  // Closes the sync bar (a joined device says goodbye there) and, unless an alert is shown, tells why.
  static void closeSyncNetwork(const std::string& message);
  // While the sync bar is on and no alert is shown: an alert whose OK closes the bar on the screen only,
  // invalidates the session, closes the client and posts "kNotificationSyncNetworkClose". Until OK the
  // session stays as it was.
  static void closeSyncNetworkWithoutBye(const std::string& message);

  // Installed by the sync screens; members left empty keep their defaults.
  static void setScreens(SyncClientScreens screens);
  // The installed screens with every empty member filled by its default.
  static SyncClientScreens screens();
  // What the screens installed, without the defaults.
  static SyncClientScreens installedScreens();

  SyncNetworkClient& client() { return client_; }

 private:
  SyncNetworkClientWrapper();
  Callback gated(const char* api, Callback callback);

  SyncNetworkClient client_;
};

}  // namespace vl
