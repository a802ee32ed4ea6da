#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/dispatch/Runtime.h"
#include "platform/dispatch/WorkerPool.h"
#include "platform/foundation/Log.h"

namespace vl::dispatch {

struct Group::State {
  std::mutex mu;
  std::condition_variable cv;
  long count = 0;
  std::vector<std::pair<std::shared_ptr<Queue>, Block>> notifies;

  void leave() {
    std::vector<std::pair<std::shared_ptr<Queue>, Block>> ready;
    {
      std::lock_guard<std::mutex> lock(mu);
      if (count == 0) {
        // Unbalanced leave: ignoring it keeps the count meaningful for everyone else.
        logWarning("dispatch: Group::leave without a matching enter");
        return;
      }
      if (--count > 0) return;
      ready.swap(notifies);
    }
    cv.notify_all();
    detail::Runtime::shared().pokeMain();
    for (auto& [queue, block] : ready) queue->async(std::move(block));
  }
};

Group::Group() : state_(std::make_shared<State>()) {}

Group::~Group() = default;

void Group::enter() {
  std::lock_guard<std::mutex> lock(state_->mu);
  ++state_->count;
}

void Group::leave() {
  // The last leave may wake a waiter that then destroys the group: keep the state alive until the
  // notify that woke it has returned.
  std::shared_ptr<State> state = state_;
  state->leave();
}

void Group::async(const std::shared_ptr<Queue>& queue, Block block) {
  if (!queue) {
    logWarning("dispatch: Group::async without a queue; the block is dropped");
    return;
  }
  enter();
  // The leave runs even when the block throws, or the group would never drain.
  queue->async([state = state_, block = std::move(block)] {
    struct LeaveOnExit {
      State& state;
      ~LeaveOnExit() { state.leave(); }
    } leaveOnExit{*state};
    if (block) block();
  });
}

void Group::notify(const std::shared_ptr<Queue>& queue, Block block) {
  if (!queue) {
    logWarning("dispatch: Group::notify without a queue; the block is dropped");
    return;
  }
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (state_->count > 0) {
      state_->notifies.emplace_back(queue, std::move(block));
      return;
    }
  }
  queue->async(std::move(block));
}

bool Group::wait(double timeoutMs) {
  auto empty = [state = state_.get()] {
    std::lock_guard<std::mutex> lock(state->mu);
    return state->count == 0;
  };
  detail::Runtime& runtime = detail::Runtime::shared();
  // On the main thread main-queue work keeps running, so members that need it can finish.
  if (runtime.isMainThread()) return runtime.waitOnMain(empty, timeoutMs);

  detail::WorkerPool::BlockingScope blocking;
  std::unique_lock<std::mutex> lock(state_->mu);
  auto ready = [this] { return state_->count == 0; };
  if (!(timeoutMs >= 0)) {
    state_->cv.wait(lock, ready);
    return true;
  }
  return state_->cv.wait_for(lock, std::chrono::duration<double, std::milli>(timeoutMs), ready);
}

}  // namespace vl::dispatch
