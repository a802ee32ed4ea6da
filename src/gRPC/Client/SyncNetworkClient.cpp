#include "gRPC/Client/SyncNetworkClient.h"

#include <future>
#include <utility>

#include "gRPC/Client/ClientCalls.h"
#include "gRPC/Client/ClientMessages.h"
#include "gRPC/Common/SyncDictionary.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

const char* const kNotConnected = "Not connected to a sync server.";
const char* const kOnLoopThread = "This operation waits for the client's event loop and can't run on it.";

std::string targetOf(const std::string& ip, std::int64_t port) {
  const bool bareIpv6 = ip.find(':') != std::string::npos && ip.front() != '[';
  return (bareIpv6 ? "[" + ip + "]" : ip) + ":" + std::to_string(port);
}

template <class Response>
clientcalls::UnaryDone<Response> replyTo(SyncNetworkClient::Callback callback,
                                         Json (*success)(const Response&)) {
  return [callback = std::move(callback), success](const grpc::Status& status, const Response& response) {
    if (callback) callback(status.ok() ? success(response) : failureReply(status));
  };
}

}  // namespace

SyncNetworkClient::SyncNetworkClient() : SyncNetworkClient(Options{}) {}

SyncNetworkClient::SyncNetworkClient(Options options)
    : options_(options),
      loop_(std::make_unique<grpc::CompletionQueue>(), "vl-grpc-client"),
      mediaHandler_(std::make_shared<MediaHandler>()) {}

SyncNetworkClient::~SyncNetworkClient() {
  if (auto current = connection()) current->close();
  loop_.shutdownAndJoin();
}

std::shared_ptr<ClientConnection> SyncNetworkClient::connection() const {
  MutexLock lock(mutex_);
  return connection_;
}

SyncNetworkClient::State SyncNetworkClient::state() const {
  MutexLock lock(mutex_);
  return state_;
}

void SyncNetworkClient::setMediaHandler(MediaHandler handler) {
  MutexLock lock(mutex_);
  mediaHandler_ = std::make_shared<MediaHandler>(std::move(handler));
}

void SyncNetworkClient::reply(Callback callback, Json reply) {
  if (!callback) return;
  auto shared = std::make_shared<std::pair<Callback, Json>>(std::move(callback), std::move(reply));
  if (loop_.post([shared] { shared->first(std::move(shared->second)); })) return;
  // Only while the client is being destroyed; the callback still gets its answer.
  shared->first(std::move(shared->second));
}

void SyncNetworkClient::refuse(const char* operation, const std::string& why, Callback callback) {
  logWarningf("sync client: %s refused: %s", operation, why.c_str());
  reply(std::move(callback), syncwire::statusReply(500, why));
}

template <class Request, class Start, class Response>
void SyncNetworkClient::unaryCall(const char* operation, const Json& request,
                                  bool (*convert)(const Json&, Request*, std::string*), Start start,
                                  Json (*success)(const Response&), Callback callback) {
  Request message;
  std::string error;
  if (!convert(request, &message, &error)) return refuse(operation, error, std::move(callback));
  auto current = connection();
  if (!current) return refuse(operation, kNotConnected, std::move(callback));
  auto result =
      start(loop_, current, std::move(message), options_.unaryTimeLimitSeconds, replyTo(callback, success));
  if (!result.empty()) refuse(operation, result, std::move(callback));
}

void SyncNetworkClient::connectWithIp(const std::string& ip, std::int64_t port) {
  if (auto old = connection()) {
    old->close();
    if (loop_.isCurrent()) {
      logWarning("sync client: connect on the event loop; not waiting for the old channel");
    } else if (!old->waitIdle(options_.closeWaitSeconds)) {
      logDebug("sync client: calls of the old channel are still winding up");
    }
  }
  if (port <= 0 || port > 65535)
    logWarningf("sync client: port %lld is out of range", static_cast<long long>(port));
  auto fresh = std::make_shared<ClientConnection>(targetOf(ip, port));
  MutexLock lock(mutex_);
  connection_ = std::move(fresh);
  state_ = State::Connected;
}

void SyncNetworkClient::close() {
  std::shared_ptr<ClientConnection> current;
  {
    MutexLock lock(mutex_);
    if (!connection_) return;
    current = connection_;
    state_ = State::Closed;
  }
  current->close();
}

void SyncNetworkClient::authWithRequest(const Json& request, Callback callback) {
  unaryCall("auth", request, &clientmessages::authRequest, &clientcalls::auth, &clientmessages::authReply,
            std::move(callback));
}

void SyncNetworkClient::byeWithRequest(const Json& request, Callback callback) {
  unaryCall("bye", request, &clientmessages::byeRequest, &clientcalls::bye, &clientmessages::byeReply,
            std::move(callback));
}

void SyncNetworkClient::syncByeWithRequest(const Json& request) {
  if (loop_.isCurrent()) return (void)logWarningf("sync client: syncBye refused: %s", kOnLoopThread);
  syncnetwork::ByeRequest message;
  std::string error;
  if (!clientmessages::byeRequest(request, &message, &error)) {
    return (void)logWarningf("sync client: syncBye refused: %s", error.c_str());
  }
  auto current = connection();
  if (!current) return (void)logWarningf("sync client: syncBye refused: %s", kNotConnected);
  // Shared, so the loop thread never touches a promise that the waking caller has already dropped.
  auto finished = std::make_shared<std::promise<void>>();
  auto done = finished->get_future();
  auto result = clientcalls::bye(
      loop_, current, std::move(message), options_.unaryTimeLimitSeconds,
      [finished](const grpc::Status&, const syncnetwork::ByeResponse&) { finished->set_value(); });
  if (!result.empty()) return (void)logWarningf("sync client: syncBye refused: %s", result.c_str());
  done.wait();
}

void SyncNetworkClient::getChunksWithRequest(const Json& request, Callback callback) {
  unaryCall("getChunks", request, &clientmessages::getChunksRequest, &clientcalls::getChunks,
            &clientmessages::getChunksReply, std::move(callback));
}

void SyncNetworkClient::sendChunksWithRequest(const Json& request, Callback callback) {
  unaryCall("sendChunks", request, &clientmessages::sendChunksRequest, &clientcalls::sendChunks,
            &clientmessages::sendChunksReply, std::move(callback));
}

void SyncNetworkClient::sendMediametaWithRequest(const Json& request, Callback callback) {
  sendMediametaWithRequest(Json(request), std::move(callback));
}

void SyncNetworkClient::sendMediametaWithRequest(Json&& request, Callback callback) {
  clientmessages::Upload upload;
  std::string error;
  if (!clientmessages::upload(std::move(request), &upload, &error))
    return refuse("sendMediameta", error, std::move(callback));
  auto current = connection();
  if (!current) return refuse("sendMediameta", kNotConnected, std::move(callback));
  auto result = clientcalls::sendMediameta(loop_, current, std::move(upload), options_.uploadTimeLimitSeconds,
                                           replyTo(callback, &clientmessages::sendMediametaReply));
  if (!result.empty()) refuse("sendMediameta", result, std::move(callback));
}

Json SyncNetworkClient::getMediametaWithRequest(const Json& request) {
  auto refused = [](const std::string& why) {
    logWarningf("sync client: getMediameta refused: %s", why.c_str());
    return syncwire::statusReply(500, why);
  };
  if (loop_.isCurrent()) return refused(kOnLoopThread);
  syncnetwork::GetMediametaRequest message;
  std::string error;
  if (!clientmessages::getMediametaRequest(request, &message, &error)) return refused(error);
  auto current = connection();
  if (!current) return refused(kNotConnected);
  std::shared_ptr<MediaHandler> handler;
  {
    MutexLock lock(mutex_);
    handler = mediaHandler_;
  }
  auto finished = std::make_shared<std::promise<void>>();
  auto done = finished->get_future();
  auto result = clientcalls::getMediameta(
      loop_, current, message, options_.downloadTimeLimitSeconds,
      [handler](syncwire::DownloadedSlice&& response) {
        if (*handler) (*handler)(clientmessages::mediaMessage(std::move(response)));
      },
      // The final status is not examined: every slice has already gone to the media handler.
      [finished](const grpc::Status&) { finished->set_value(); });
  if (!result.empty()) return refused(result);
  done.wait();
  return syncwire::statusReply(200, "Succeed");
}

}  // namespace vl
