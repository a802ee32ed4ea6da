#include "gRPC/Common/EventLoop.h"

#include <grpcpp/alarm.h>
#include <grpcpp/support/time.h>
#include <pthread.h>

#include <atomic>
#include <deque>
#include <exception>
#include <utility>

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Mutex.h"

namespace vl {

namespace {

void runGuarded(const std::function<void()>& block) {
  try {
    block();
  } catch (const std::exception& e) {
    reportUncaughtException("event loop:", "posted block", &e);
  } catch (...) {
    reportUncaughtException("event loop:", "posted block", nullptr);
  }
}

}  // namespace

struct EventLoop::State {
  // The tag of the alarm that wakes the loop for posted blocks: it carries nothing itself, the blocks
  // wait under the lock.
  class Wake final : public LoopTag {
   public:
    explicit Wake(State& state) : state_(state) {}
    void proceed(bool) override { state_.runPosted(); }

   private:
    State& state_;
  };

  State(std::unique_ptr<grpc::CompletionQueue> q, std::string n) : queue(std::move(q)), name(std::move(n)) {}

  // Loop thread: every block posted so far, in order.
  void runPosted() VL_EXCLUDES(mutex) {
    std::deque<std::function<void()>> blocks;
    std::unique_ptr<grpc::Alarm> fired;
    {
      MutexLock lock(mutex);
      blocks.swap(posted);
      fired = std::move(wake);
    }
    fired.reset();
    for (const auto& block : blocks) runGuarded(block);
  }

  const std::unique_ptr<grpc::CompletionQueue> queue;
  const std::string name;
  std::atomic<std::thread::id> threadId{};
  Wake wakeTag{*this};
  Mutex mutex;
  bool accepting VL_GUARDED_BY(mutex) = true;
  std::deque<std::function<void()>> posted VL_GUARDED_BY(mutex);
  // Set while the loop is yet to take the posted blocks; one at a time, dropped once it has fired.
  std::unique_ptr<grpc::Alarm> wake VL_GUARDED_BY(mutex);
};

EventLoop::EventLoop(std::unique_ptr<grpc::CompletionQueue> queue, std::string name)
    : state_(std::make_shared<State>(std::move(queue), std::move(name))) {
  thread_ = std::thread([state = state_] {
    state->threadId = std::this_thread::get_id();
    pthread_setname_np(pthread_self(), state->name.substr(0, 15).c_str());
    void* tag = nullptr;
    bool ok = false;
    while (state->queue->Next(&tag, &ok)) {
      static_cast<LoopTag*>(tag)->proceed(ok);
    }
    // Every wake has fired before the queue ran dry, so nothing should be left; run it all the same.
    state->runPosted();
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
  VL_DCHECK_MSG(isCurrent(), "gRPC operations start on their event loop's thread");
  State& state = *state_;
  MutexLock lock(state.mutex);
  if (!state.accepting) return false;
  start(state.queue.get());
  return true;
}

bool EventLoop::post(std::function<void()> block) {
  State& state = *state_;
  MutexLock lock(state.mutex);
  if (!state.accepting) return false;
  state.posted.push_back(std::move(block));
  if (!state.wake) {
    // Due at once: the alarm only puts the wake on the queue, behind what is there already.
    state.wake = std::make_unique<grpc::Alarm>();
    state.wake->Set(state.queue.get(), gpr_now(GPR_CLOCK_MONOTONIC), static_cast<LoopTag*>(&state.wakeTag));
  }
  return true;
}

void EventLoop::shutdown() {
  State& state = *state_;
  MutexLock lock(state.mutex);
  if (!state.accepting) return;
  state.accepting = false;
  state.queue->Shutdown();
}

void EventLoop::shutdownAndJoin() {
  shutdown();
  if (isCurrent()) return;
  if (thread_.joinable()) thread_.join();
}

}  // namespace vl
