#pragma once

#include <grpcpp/grpcpp.h>

#include "gRPC/Common/EventLoop.h"
#include "gRPC/Server/ConnectionGate.h"
#include "gRPC/Server/ServerProvider.h"
#include "sync_network.grpc.pb.h"

namespace vl {

// Every call asynchronous; the image download writes its messages as bytes built around the image's
// own (MediaSlices), so its slices are not copied into messages first.
using SyncAsyncService = syncnetwork::SyncNetworkService::WithAsyncMethod_Auth<
    syncnetwork::SyncNetworkService::WithAsyncMethod_GetChunks<
        syncnetwork::SyncNetworkService::WithAsyncMethod_SendChunks<
            syncnetwork::SyncNetworkService::WithRawMethod_GetMediameta<
                syncnetwork::SyncNetworkService::WithAsyncMethod_SendMediameta<
                    syncnetwork::SyncNetworkService::WithAsyncMethod_Bye<
                        syncnetwork::SyncNetworkService::Service>>>>>>;

// What the calls of one running server share; it outlives every call (the loop is joined first).
struct ServerEnvironment {
  EventLoop& loop;
  SyncAsyncService& service;
  grpc::ServerCompletionQueue* queue;
  ServerProvider& provider;
  // Told of every answered call, whether it admitted its connection; names connections by address.
  ConnectionGate& gate;
};

// Puts one waiting call per method on the queue. Each call, once a client makes it, puts up the next
// waiting call for its method, runs its handler on the loop thread and answers with gRPC status OK.
// Unknown methods are answered UNIMPLEMENTED by gRPC itself.
void listenForCalls(ServerEnvironment& environment);

}  // namespace vl
