#pragma once

#include <grpcpp/generic/generic_stub.h>
#include <grpcpp/grpcpp.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "gRPC/Client/ClientMessages.h"
#include "gRPC/Common/EventLoop.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Mutex.h"
#include "sync_network.grpc.pb.h"

namespace vl {

using SyncStub = syncnetwork::SyncNetworkService::Stub;

// One channel to a serving device and the calls running on it. Closing cancels those calls, so their
// callbacks come back with a failure instead of hanging on a connection nobody uses any more.
class ClientConnection {
 public:
  explicit ClientConnection(const std::string& target);

  // Registers a call about to start; nullptr when the connection is closed.
  std::shared_ptr<SyncStub> enter(grpc::ClientContext* context);
  // The same for a call that sends and reads bytes it built itself (the image streams).
  std::shared_ptr<grpc::GenericStub> enterGeneric(grpc::ClientContext* context);
  void leave(grpc::ClientContext* context);

  void close();
  // Waits until every registered call has left; false on time-out.
  bool waitIdle(double seconds);

 private:
  Mutex mutex_;
  ConditionVariable idle_;
  std::shared_ptr<grpc::Channel> channel_ VL_GUARDED_BY(mutex_);
  std::shared_ptr<SyncStub> stub_ VL_GUARDED_BY(mutex_);
  std::shared_ptr<grpc::GenericStub> genericStub_ VL_GUARDED_BY(mutex_);
  std::unordered_set<grpc::ClientContext*> active_ VL_GUARDED_BY(mutex_);
  bool closed_ VL_GUARDED_BY(mutex_) = false;
};

// How a call ended, as the reply callbacks see it.
Json failureReply(const grpc::Status& status);

namespace clientcalls {

// Why a call could not start; empty when it started. Every started call ends in exactly one `done`.
using StartResult = std::string;

template <class Response>
using UnaryDone = std::function<void(const grpc::Status& status, const Response& response)>;

StartResult auth(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                 syncnetwork::AuthRequest request, double timeLimit,
                 UnaryDone<syncnetwork::AuthResponse> done);
StartResult getChunks(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                      syncnetwork::GetChunksRequest request, double timeLimit,
                      UnaryDone<syncnetwork::GetChunksResponse> done);
StartResult sendChunks(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                       syncnetwork::SendChunksRequest request, double timeLimit,
                       UnaryDone<syncnetwork::SendChunksResponse> done);
StartResult bye(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                syncnetwork::ByeRequest request, double timeLimit, UnaryDone<syncnetwork::ByeResponse> done);

// Client streaming: the image goes out in slices of at most kPackageSize bytes, then the stream ends.
StartResult sendMediameta(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                          clientmessages::Upload upload, double timeLimit,
                          UnaryDone<syncnetwork::SendMediametaResponse> done);

// Server streaming: `message` runs for each response message on the loop thread, then `done` once.
StartResult getMediameta(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                         const syncnetwork::GetMediametaRequest& request, double timeLimit,
                         std::function<void(syncwire::DownloadedSlice&&)> message,
                         std::function<void(const grpc::Status&)> done);

}  // namespace clientcalls
}  // namespace vl
