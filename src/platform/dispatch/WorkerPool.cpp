#include "platform/dispatch/WorkerPool.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/foundation/Log.h"

namespace vl::dispatch::detail {

namespace {

// Stand-in threads added for blocked workers leave after this long without work.
constexpr auto kSpareIdle = std::chrono::seconds(5);

}  // namespace

WorkerPool& WorkerPool::shared() {
  // Never destroyed: its detached threads wait on it until the process is gone.
  static WorkerPool* pool = new WorkerPool();
  return *pool;
}

WorkerPool::WorkerPool() : base_(std::max(2u, std::thread::hardware_concurrency())) {}

void WorkerPool::submit(Item item) {
  {
    std::unique_lock<std::mutex> lock(mu_);
    if (stopping_ || Runtime::shared().closed()) {
      lock.unlock();
      logWarning("dispatch: a concurrent block came after the queues stopped; dropped");
      Runtime::shared().endWork(item.tracked);
      return;
    }
    queue_.push_back(std::move(item));
    if (queue_.size() > idle_ && threads_ < targetLocked()) spawnLocked();
  }
  cv_.notify_one();
}

void WorkerPool::spawnLocked() {
  ++threads_;
  live_.emplace_back([this] { workerLoop(); });
}

void WorkerPool::stop() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  {
    std::unique_lock<std::mutex> lock(mu_);
    // Workers leave once the queue is empty; whoever is left in `live_` is joined below.
    cv_.wait(lock, [this] { return threads_ == 0; });
    threads.swap(live_);
    stopping_ = false;
  }
  for (std::thread& t : threads) t.join();
}

std::size_t WorkerPool::threadCount() {
  std::lock_guard<std::mutex> lock(mu_);
  return threads_;
}

void WorkerPool::workerLoop() {
  nameThread("vl.pool");
  threadContext().poolWorker = true;
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    if (queue_.empty()) {
      if (stopping_) {
        --threads_;
        cv_.notify_all();
        return;
      }
      ++idle_;
      bool woke = cv_.wait_for(lock, kSpareIdle, [this] { return !queue_.empty() || stopping_; });
      --idle_;
      if (!woke && threads_ > targetLocked()) {
        --threads_;
        // A spare that retires lets go of its own thread, so no finished thread waits to be joined.
        const auto self = std::find_if(live_.begin(), live_.end(), [](const std::thread& t) {
          return t.get_id() == std::this_thread::get_id();
        });
        if (self != live_.end()) {
          self->detach();
          live_.erase(self);
        }
        return;
      }
      continue;
    }
    Item item = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    {
      ContextScope scope(nullptr, item.tracked);
      item.block();
    }
    item.block = nullptr;
    Runtime::shared().endWork(item.tracked);
    lock.lock();
  }
}

WorkerPool::BlockingScope::BlockingScope() : active_(threadContext().poolWorker) {
  if (!active_) return;
  WorkerPool& pool = shared();
  std::lock_guard<std::mutex> lock(pool.mu_);
  ++pool.blocked_;
  if (!pool.queue_.empty() && pool.idle_ == 0 && pool.threads_ < pool.targetLocked()) pool.spawnLocked();
}

WorkerPool::BlockingScope::~BlockingScope() {
  if (!active_) return;
  WorkerPool& pool = shared();
  std::lock_guard<std::mutex> lock(pool.mu_);
  --pool.blocked_;
}

}  // namespace vl::dispatch::detail
