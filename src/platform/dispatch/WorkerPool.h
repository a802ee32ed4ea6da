#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dispatch/Runtime.h"

namespace vl::dispatch::detail {

// The threads behind every concurrent queue. The pool keeps one thread per core; a worker that is
// about to block in a dispatch wait (sync, group wait) lets the pool add a stand-in, so blocks that
// wait for other pool blocks cannot starve it.
class WorkerPool {
 public:
  struct Item {
    Block block;
    bool tracked = false;
  };

  static WorkerPool& shared();

  // Dropped once the runtime is closed (the pool may have stopped already).
  void submit(Item item);

  // Runs what is queued, then ends every thread and joins it. Call after the runtime is closed;
  // the next submit after a reopen starts threads again.
  void stop();
  std::size_t threadCount();

  // Brackets a blocking wait; does nothing on threads outside the pool.
  class BlockingScope {
   public:
    BlockingScope();
    ~BlockingScope();
    BlockingScope(const BlockingScope&) = delete;
    BlockingScope& operator=(const BlockingScope&) = delete;

   private:
    bool active_;
  };

 private:
  WorkerPool();
  void spawnLocked();
  void workerLoop();
  std::size_t targetLocked() const { return base_ + blocked_; }

  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<Item> queue_;
  // Every thread the pool started that still runs; spares that retire detach themselves.
  std::vector<std::thread> live_;
  bool stopping_ = false;
  std::size_t base_;
  std::size_t threads_ = 0;
  std::size_t idle_ = 0;
  std::size_t blocked_ = 0;
};

}  // namespace vl::dispatch::detail
