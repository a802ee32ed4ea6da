#include "gRPC/Common/EventLoop.h"

#include <grpcpp/alarm.h>
#include <grpcpp/support/time.h>
#include <pthread.h>

#include <atomic>
#include <exception>
#include <mutex>
#include <utility>

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"

namespace vl {

struct EventLoop::State {
  std::unique_ptr<grpc::CompletionQueue> queue;
  std::string name;
  std::mutex mutex;
  bool accepting = true;
  std::atomic<std::thread::id> threadId{};
};

namespace {

// A block to run on the loop: an alarm that is already due puts the tag on the queue at once.
class PostedBlock final : public LoopTag {
 public:
  explicit PostedBlock(std::function<void()> block) : block_(std::move(block)) {}
  void arm(grpc::CompletionQueue* queue) {
    alarm_.Set(queue, gpr_now(GPR_CLOCK_MONOTONIC), static_cast<LoopTag*>(this));
  }
  void proceed(bool) override {
    try {
      block_();
    } catch (const std::exception& e) {
      reportUncaughtException("event loop:", "posted block", &e);
    } catch (...) {
      reportUncaughtException("event loop:", "posted block", nullptr);
    }
    delete this;
  }

 private:
  std::function<void()> block_;
  grpc::Alarm alarm_;
};

}  // namespace

EventLoop::EventLoop(std::unique_ptr<grpc::CompletionQueue> queue, std::string name)
    : state_(std::make_shared<State>()) {
  state_->queue = std::move(queue);
  state_->name = std::move(name);
  thread_ = std::thread([state = state_] {
    state->threadId = std::this_thread::get_id();
    pthread_setname_np(pthread_self(), state->name.substr(0, 15).c_str());
    void* tag = nullptr;
    bool ok = false;
    while (state->queue->Next(&tag, &ok)) {
      static_cast<LoopTag*>(tag)->proceed(ok);
    }
  });
}

EventLoop::~EventLoop() {
  if (isCurrent()) {
    shutdown();
    thread_.detach();  // the thread holds the state and ends once the queue is drained
  } else {
    shutdownAndJoin();
  }
}

grpc::CompletionQueue* EventLoop::queue() const { return state_->queue.get(); }

bool EventLoop::isCurrent() const { return state_->threadId.load() == std::this_thread::get_id(); }

bool EventLoop::begin(const std::function<void(grpc::CompletionQueue*)>& start) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (!state_->accepting) return false;
  start(state_->queue.get());
  return true;
}

bool EventLoop::post(std::function<void()> block) {
  auto* posted = new PostedBlock(std::move(block));
  if (begin([posted](grpc::CompletionQueue* queue) { posted->arm(queue); })) return true;
  delete posted;
  return false;
}

void EventLoop::shutdown() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (!state_->accepting) return;
  state_->accepting = false;
  state_->queue->Shutdown();
}

void EventLoop::shutdownAndJoin() {
  shutdown();
  if (isCurrent()) return;
  if (thread_.joinable()) thread_.join();
}

}  // namespace vl
