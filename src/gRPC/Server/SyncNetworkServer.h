#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gRPC/Server/ConnectionGate.h"
#include "gRPC/Server/ServerRequestHandler.h"
#include "platform/foundation/Mutex.h"

namespace vl {

// The serving device's gRPC server: plain-text HTTP/2 on one address and port, one event-loop thread
// made at each start and ended at each close. Every request handler runs on that thread. The port is
// the ConnectionGate's, which caps the connections and closes those that never get in.
class SyncNetworkServer {
 public:
  struct Options {
    // How long calls in flight may take to finish when the server closes before they are cancelled.
    double closeGraceSeconds = 1;
    ConnectionGate::Options gate;
  };

  SyncNetworkServer();
  explicit SyncNetworkServer(std::shared_ptr<ServerRequestHandler> handler);
  SyncNetworkServer(std::shared_ptr<ServerRequestHandler> handler, Options options);
  ~SyncNetworkServer();
  SyncNetworkServer(const SyncNetworkServer&) = delete;
  SyncNetworkServer& operator=(const SyncNetworkServer&) = delete;

  // Used by servers started afterwards.
  void setHandler(std::shared_ptr<ServerRequestHandler> handler);

  // Binds and starts serving; a server that is still running is closed first. A failed bind (the port
  // is taken, the address is not this device's) leaves the server stopped and prints nothing.
  // Port 0 binds a free port (see boundPort()).
  void startWithIp(const std::string& ip, std::int64_t port);
  // Stops serving and returns once the loop thread has ended. Called on the loop thread itself, it
  // hands the stop to another thread instead of waiting for itself. While it waits on the main
  // thread it keeps running main-queue work, so a handler that waits for the main thread can finish.
  void close();

  // The port of the running server; 0 when none runs.
  int boundPort() const;
  bool isServing() const;

 private:
  struct Running;

  std::shared_ptr<ServerRequestHandler> handler() const;
  // Stops the gate, every hand-over with it, then gRPC and the loop.
  static void stop(const Options& options, Running& run);

  Options options_;
  mutable Mutex mutex_;
  std::shared_ptr<ServerRequestHandler> handler_ VL_GUARDED_BY(mutex_);
  // Shared: a close on the loop thread hands the stop, and the server with it, to a thread of its own.
  std::shared_ptr<Running> running_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
