#include "platform/dispatch/WorkerPool.h"

#include <algorithm>
#include <chrono>
#include <thread>

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
    std::lock_guard<std::mutex> lock(mu_);
    queue_.push_back(std::move(item));
    if (queue_.size() > idle_ && threads_ < targetLocked()) spawnLocked();
  }
  cv_.notify_one();
}

void WorkerPool::spawnLocked() {
  ++threads_;
  std::thread([this] { workerLoop(); }).detach();
}

void WorkerPool::workerLoop() {
  nameThread("vl.pool");
  threadContext().poolWorker = true;
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    if (queue_.empty()) {
      ++idle_;
      bool woke = cv_.wait_for(lock, kSpareIdle, [this] { return !queue_.empty(); });
      --idle_;
      if (!woke && threads_ > targetLocked()) {
        --threads_;
        return;
      }
      if (!woke) continue;
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
