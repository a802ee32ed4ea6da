#include "gRPC/Server/SyncNetworkServer.h"

#include <grpcpp/grpcpp.h>
#include <grpcpp/resource_quota.h>
#include <grpcpp/server_posix.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "gRPC/Common/EventLoop.h"
#include "gRPC/Common/SyncDictionary.h"
#include "gRPC/Server/ServerCalls.h"
#include "gRPC/Server/ServerProvider.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "sync_network.grpc.pb.h"

namespace vl {

// One started server. Declaration order is teardown order in reverse: the server goes before the
// service it calls and before the queue it reports to.
struct SyncNetworkServer::Running {
  std::unique_ptr<ConnectionGate> gate;
  std::unique_ptr<EventLoop> loop;
  std::unique_ptr<SyncAsyncService> service;
  std::unique_ptr<ServerProvider> provider;
  std::unique_ptr<ServerEnvironment> environment;
  std::unique_ptr<grpc::Server> server;
  int port = 0;
  // Set before the gate stops: a hand-over from then on closes its connection instead of giving it to
  // a server about to shut down.
  std::atomic<bool> closing{false};
};

namespace {

constexpr int kStreamsPerConnection = 16;
// Our calls carry a path and gRPC's own few headers, well under a kilobyte: a peer that sends more is no
// device of ours. gRPC holds a peer to it once the peer took our settings, and checks each header once
// it has all of it; before that only to its own 16 MB. What a stranger can send meanwhile is bounded by
// the gate, which closes it when it has not got in within seconds.
constexpr int kHeaderBytes = 8 * 1024;
constexpr std::size_t kServerMemoryBytes = 256 * 1024 * 1024;

}  // namespace

void SyncNetworkServer::stop(const Options& options, Running& run) {
  run.closing = true;
  // Every hand-over has returned once the gate stopped, so gRPC is never given a connection after it
  // shut down.
  run.gate->stop();
  const auto grace = std::chrono::duration_cast<std::chrono::system_clock::duration>(
      std::chrono::duration<double>(options.closeGraceSeconds));
  // Calls still running get the grace period, then are cancelled; waiting calls end at once.
  run.server->Shutdown(std::chrono::system_clock::now() + grace);
  run.loop->shutdownAndJoin();
}

SyncNetworkServer::SyncNetworkServer() : SyncNetworkServer(nullptr, Options{}) {}

SyncNetworkServer::SyncNetworkServer(std::shared_ptr<ServerRequestHandler> handler)
    : SyncNetworkServer(std::move(handler), Options{}) {}

SyncNetworkServer::SyncNetworkServer(std::shared_ptr<ServerRequestHandler> handler, Options options)
    : options_(options), handler_(std::move(handler)) {}

SyncNetworkServer::~SyncNetworkServer() { close(); }

void SyncNetworkServer::setHandler(std::shared_ptr<ServerRequestHandler> handler) {
  MutexLock lock(mutex_);
  handler_ = std::move(handler);
}

std::shared_ptr<ServerRequestHandler> SyncNetworkServer::handler() const {
  MutexLock lock(mutex_);
  return handler_;
}

int SyncNetworkServer::boundPort() const {
  MutexLock lock(mutex_);
  return running_ ? running_->port : 0;
}

bool SyncNetworkServer::isServing() const {
  MutexLock lock(mutex_);
  return running_ != nullptr;
}

void SyncNetworkServer::startWithIp(const std::string& ip, std::int64_t port) {
  close();
  const std::string target = ip + ":" + std::to_string(port);
  if (port < 0 || port > 65535) {
    logErrorf("sync server: can't bind %s: port out of range", target.c_str());
    return;
  }
  auto run = std::make_shared<Running>();
  run->gate = std::make_unique<ConnectionGate>(options_.gate);
  // The gate listens; gRPC only ever sees the connections it hands over.
  if (!run->gate->listen(ip, static_cast<int>(port))) return;
  run->port = run->gate->port();
  run->service = std::make_unique<SyncAsyncService>();
  grpc::ServerBuilder builder;
  builder.RegisterService(run->service.get());
  builder.SetMaxReceiveMessageSize(syncwire::kMaxMessageBytes);
  builder.SetMaxSendMessageSize(syncwire::kMaxMessageBytes);
  builder.AddChannelArgument(GRPC_ARG_HTTP2_STREAM_LOOKAHEAD_BYTES, syncwire::kStreamWindowBytes);
  // What a connection may keep open, and what all of them may hold in memory together: a joined
  // device uses a handful of calls at once, and a peer that opens many must not hold a window each.
  builder.AddChannelArgument(GRPC_ARG_MAX_CONCURRENT_STREAMS, kStreamsPerConnection);
  // Headers past the limit end the connection.
  builder.AddChannelArgument(GRPC_ARG_MAX_METADATA_SIZE, kHeaderBytes);
#ifdef GRPC_ARG_ABSOLUTE_MAX_METADATA_SIZE
  builder.AddChannelArgument(GRPC_ARG_ABSOLUTE_MAX_METADATA_SIZE, kHeaderBytes);
#endif
  grpc::ResourceQuota quota("vl-sync-server");
  quota.Resize(kServerMemoryBytes);
  builder.SetResourceQuota(quota);
  std::unique_ptr<grpc::ServerCompletionQueue> queue = builder.AddCompletionQueue();
  run->server = builder.BuildAndStart();
  if (!run->server) {
    logErrorf("sync server: can't start serving %s", target.c_str());
    // Nothing was ever placed on the queue; dropping it shuts it down.
    return;
  }
  grpc::ServerCompletionQueue* rawQueue = queue.get();
  run->loop = std::make_unique<EventLoop>(std::move(queue), "vl-grpc-server");
  run->provider = std::make_unique<ServerProvider>(handler());
  run->environment = std::make_unique<ServerEnvironment>(
      ServerEnvironment{*run->loop, *run->service, rawQueue, *run->provider, *run->gate});
  const int bound = run->port;
  // The calls are put up on the loop thread, like every later operation of theirs.
  if (!run->loop->post([environment = run->environment.get(), bound] {
        listenForCalls(*environment);
        if (logThreshold() <= LogLevel::kInfo) {
          std::printf("server started on port %d\n", bound);
          std::fflush(stdout);
        }
      }))
    logErrorf("sync server: its loop stopped before it listened on port %d", bound);
  // The gate's stop joins every hand-over, and the server goes only after it: the hand-overs may use
  // what they point to.
  run->gate->start([running = run.get()](int fd) {
    if (running->closing) {
      ::close(fd);
    } else {
      grpc::AddInsecureChannelFromFd(running->server.get(), fd);
    }
  });
  MutexLock lock(mutex_);
  running_ = std::move(run);
}

void SyncNetworkServer::close() {
  std::shared_ptr<Running> run;
  Options options;
  {
    // Read under the lock: a close on the loop thread races the owner's destructor, whose own close
    // takes the lock before the server goes.
    MutexLock lock(mutex_);
    run = std::move(running_);
    options = options_;
  }
  if (!run) return;
  if (run->loop->isCurrent()) {
    logWarning("sync server: close on the server's own loop; stopping from another thread");
    std::thread([options, run] { stop(options, *run); }).detach();
    return;
  }
  // On the main thread a handler may be waiting for main-queue work (a list refresh); a group's wait
  // keeps running that work there, so the two never wait for each other for ever.
  dispatch::Group stopped;
  stopped.enter();
  std::thread stopper([options, run, &stopped] {
    stop(options, *run);
    stopped.leave();
  });
  stopped.wait();
  stopper.join();
}

}  // namespace vl
