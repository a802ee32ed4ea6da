#pragma once

#include <grpcpp/grpcpp.h>

#include "gRPC/Common/EventLoop.h"
#include "gRPC/Server/ServerProvider.h"
#include "sync_network.grpc.pb.h"

namespace vl {

// What the calls of one running server share; it outlives every call (the loop is joined first).
struct ServerEnvironment {
  EventLoop& loop;
  syncnetwork::SyncNetworkService::AsyncService& service;
  grpc::ServerCompletionQueue* queue;
  ServerProvider& provider;
};

// Puts one waiting call per method on the queue. Each call, once a client makes it, puts up the next
// waiting call for its method, runs its handler on the loop thread and answers with gRPC status OK.
// Unknown methods are answered UNIMPLEMENTED by gRPC itself.
void listenForCalls(ServerEnvironment& environment);

}  // namespace vl
