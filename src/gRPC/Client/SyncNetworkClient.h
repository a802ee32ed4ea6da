#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gRPC/Common/EventLoop.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Mutex.h"

namespace vl {

class ClientConnection;

// The joined device's one gRPC client to the serving device. Every operation takes a request
// dictionary keyed by wire field names and answers with a reply dictionary holding
// "status" = {"code", "msg"} plus the reply's fields.
//
// All gRPC work, every reply callback and every streamed media message run on the client's one
// event-loop thread, one at a time, in completion order. connectWithIp, syncByeWithRequest and
// getMediametaWithRequest wait for that thread and are refused on it.
//
// A request that misses a required key or holds a value of the wrong type, and any call while
// unconnected, makes no call: the callback gets {"status": {"code": 500, "msg": why}} on the loop
// thread, like every other failure.
class SyncNetworkClient {
 public:
  using Callback = std::function<void(Json reply)>;
  // Receives each streamed GetMediameta message: {"code", "chunk_sig", "data", "total_packages", "end"}.
  using MediaHandler = std::function<void(const Json& message)>;

  static constexpr std::int64_t PACKAGE_SIZE = 3145728;

  enum class State { Unconnected, Connected, Closed };

  struct Options {
    // A server that accepts a call and never answers must not keep a callback pending for ever.
    double unaryTimeLimitSeconds = 10;
    double uploadTimeLimitSeconds = 60;
    // The download holds the caller's thread; it too gets a limit.
    double downloadTimeLimitSeconds = 120;
    // How long connectWithIp waits for the calls of the old channel to wind up.
    double closeWaitSeconds = 5;
  };

  SyncNetworkClient();
  explicit SyncNetworkClient(Options options);
  // Cancels what is in flight and ends the loop thread (the application keeps its client for life).
  ~SyncNetworkClient();
  SyncNetworkClient(const SyncNetworkClient&) = delete;
  SyncNetworkClient& operator=(const SyncNetworkClient&) = delete;

  void close();
  void connectWithIp(const std::string& ip, std::int64_t port);

  void authWithRequest(const Json& request, Callback callback);
  void byeWithRequest(const Json& request, Callback callback);
  void syncByeWithRequest(const Json& request);
  void getChunksWithRequest(const Json& request, Callback callback);
  void sendMediametaWithRequest(const Json& request, Callback callback);
  // The same, taking the request's image over instead of copying it.
  void sendMediametaWithRequest(Json&& request, Callback callback);
  Json getMediametaWithRequest(const Json& request);
  void sendChunksWithRequest(const Json& request, Callback callback);

  // The streamed-message handler; installed once by the session layer.
  void setMediaHandler(MediaHandler handler);

  State state() const;
  bool isLoopThread() const { return loop_.isCurrent(); }

 private:
  std::shared_ptr<ClientConnection> connection() const;
  // Hands `reply` to `callback` on the loop thread.
  void reply(Callback callback, Json reply);
  void refuse(const char* operation, const std::string& why, Callback callback);
  // One request-response call: the request converted, sent on the current connection with `start`,
  // and the answer (or why there is none) handed to `callback`.
  template <class Request, class Start, class Response>
  void unaryCall(const char* operation, const Json& request,
                 bool (*convert)(const Json&, Request*, std::string*), Start start,
                 Json (*success)(const Response&), Callback callback);

  Options options_;
  EventLoop loop_;
  mutable Mutex mutex_;
  std::shared_ptr<ClientConnection> connection_ VL_GUARDED_BY(mutex_);
  State state_ VL_GUARDED_BY(mutex_) = State::Unconnected;
  std::shared_ptr<MediaHandler> mediaHandler_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
