#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gRPC/Client/SyncNetworkClient.h"
#include "gRPC/Server/ServerRequestHandler.h"
#include "gRPC/Server/SyncNetworkServer.h"
#include "platform/foundation/Json.h"

namespace vl::test {

inline Json bytes(const std::string& text) {
  return Json::binary(std::vector<std::uint8_t>(text.begin(), text.end()));
}

inline Json bytesOfSize(std::size_t size) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i * 131 + i / 7) & 0xff);
  return Json::binary(std::move(data));
}

inline Json record(const std::string& sig, const std::string& context) {
  return Json{{"sig", sig}, {"timestamp", "1700000000.500000"}, {"alias", ""}, {"context", context},
              {"rich", ""}, {"json", Json{{"type", "text"}}}};
}

inline Json succeed() { return Json{{"status", {{"code", 200}, {"msg", "Succeed."}}}}; }

// A stand-in for the serving device's handlers: records every request, answers with whatever the test
// put in `replies` (200 "Succeed." by default) and notes the threads it ran on.
class FakeHandler final : public ServerRequestHandler {
 public:
  struct Seen {
    std::string operation;
    Json request;
  };

  using Answer = std::function<Json(const std::string& operation, const Json& request)>;
  // What the handler answers from now on. Set under the handler's lock, which the server's loop takes
  // before it answers: the test's thread and the loop otherwise meet only inside gRPC.
  void setReplies(Answer replies) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_ = replies ? std::make_shared<const Answer>(std::move(replies)) : nullptr;
  }

  Json auth(const Json& request) override { return answer("auth", request); }
  Json getChunks(const Json& request) override { return answer("getChunks", request); }
  Json sendChunks(const Json& request) override { return answer("sendChunks", request); }
  Json getMediameta(const Json& request) override { return answer("getMediameta", request); }
  void sendMediametaMessage(const Json& request) override { answer("sendMediametaMessage", request); }
  Json sendMediametaEnd(const Json& request) override { return answer("sendMediametaEnd", request); }
  Json bye(const Json& request) override { return answer("bye", request); }
  Json sendMediametaAbort(const Json& request) override {
    answer("sendMediametaAbort", request);
    return ServerRequestHandler::sendMediametaAbort(request);
  }

  std::vector<Seen> seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }
  std::vector<std::string> operations() const {
    std::vector<std::string> names;
    for (const auto& s : seen()) names.push_back(s.operation);
    return names;
  }
  std::vector<std::thread::id> threads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }
  // Waits (bounded) until `count` requests have been seen.
  bool waitFor(std::size_t count, double seconds = 10) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                             [&] { return seen_.size() >= count; });
  }

 private:
  Json answer(const std::string& operation, const Json& request) {
    std::shared_ptr<const Answer> replies;
    {
      // Notified under the lock: a waiter that wakes may end the test and destroy the handler's
      // condition variable at once.
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back({operation, request});
      threads_.push_back(std::this_thread::get_id());
      replies = replies_;
      changed_.notify_all();
    }
    return replies ? (*replies)(operation, request) : succeed();
  }

  mutable std::mutex mutex_;
  std::shared_ptr<const Answer> replies_;
  std::condition_variable changed_;
  std::vector<Seen> seen_;
  std::vector<std::thread::id> threads_;
};

// Collects replies handed to client callbacks.
class Replies {
 public:
  SyncNetworkClient::Callback callback() {
    return [this](Json reply) {
      // Notified under the lock: the waiter may destroy this object as soon as it has the reply.
      std::lock_guard<std::mutex> lock(mutex_);
      replies_.push_back(std::move(reply));
      changed_.notify_all();
    };
  }
  // The next reply, waiting at most `seconds`; null on time-out.
  Json next(double seconds = 10) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                           [&] { return taken_ < replies_.size(); })) {
      return nullptr;
    }
    return replies_[taken_++];
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Json> replies_;
  std::size_t taken_ = 0;
};

inline int code(const Json& reply) {
  return reply.is_object() && reply.contains("status") ? reply.at("status").at("code").get<int>() : -1;
}

}  // namespace vl::test
