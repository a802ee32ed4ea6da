#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gRPC/Server/SyncNetworkServer.h"
#include "platform/dispatch/Dispatch.h"

namespace vl {

class ServerResponseMaker;

// The one sync server of this device, answering through the request handlers (ServerResponseMaker).
// The sync bar starts it when the served network is advertised and closes it when serving stops.
// Started and closed on the main thread; close() returns once the server's loop has ended.
//
// While it serves, a timer on the main queue lets devices that went silent (a crash, a sleep, a network
// left without a goodbye) stop counting as connected, whether or not any other call arrives.
class SyncNetworkServerWrapper {
 public:
  static constexpr double kExpiryTickMs = 5000;

  static SyncNetworkServerWrapper& shared();

  // Serves on the address of syncInterface() and syncPort() (VELLISTO_SYNC_IFACE, VELLISTO_SYNC_PORT).
  // A server with no address does not start: false, with the reason (for the user) in `why` and the log.
  [[nodiscard]] bool start(std::string* why = nullptr);
  // Serves on ip:port; an empty ip refuses, as above. A running server is closed first.
  [[nodiscard]] bool startWithIp(const std::string& ip, std::int64_t port, std::string* why = nullptr);
  void close();

  bool isServing() const;
  // The port of the running server; 0 when none runs.
  int boundPort() const;
  SyncNetworkServer& server() { return server_; }

 private:
  SyncNetworkServerWrapper();
  void startExpiry();
  void stopExpiry();

  std::shared_ptr<ServerResponseMaker> handler_;
  SyncNetworkServer server_;
  // Main thread only.
  std::shared_ptr<dispatch::TimerSource> expiry_;
};

}  // namespace vl
