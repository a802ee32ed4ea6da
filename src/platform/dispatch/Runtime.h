#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/dispatch/Dispatch.h"

// Internal to the dispatch library: the per-thread context, the main queue and the bookkeeping that
// lets MainLoop::advance wait for the work a step set off.
namespace vl::dispatch::detail {

// A block on its way to a queue. `tracked` blocks belong to a MainLoop::advance step, which waits
// for all of them (and everything they submit in turn) before it moves the clock again.
struct Work {
  Block block;
  bool tracked = false;
};

struct ThreadContext {
  const void* queue = nullptr;  // identity of the queue whose block this thread runs
  bool tracked = false;         // work submitted from here is tracked
  bool poolWorker = false;
};
ThreadContext& threadContext();

// Sets the thread's context for the length of a scope.
class ContextScope {
 public:
  ContextScope(const void* queue, bool tracked);
  ~ContextScope();
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

 private:
  ThreadContext saved_;
};

// Runs a block; an escaping exception is logged with the queue's label instead of ending the process.
void invoke(const Block& block, const std::string& label);

// Serial queues' worker threads: how many are started and not joined, and ending and joining them all.
std::size_t serialWorkerCount();
void stopSerialWorkers();

// Names the calling thread (cut to the 15 characters the kernel keeps).
void nameThread(const std::string& label);

class Runtime {
 public:
  // Never destroyed: worker threads may still use it while the process exits.
  static Runtime& shared();

  // Identity of the main queue in ThreadContext::queue.
  const void* mainToken() const { return this; }

  // Call when work is submitted; returns whether it is tracked. Every call needs its endWork.
  bool beginWork();
  void endWork(bool tracked);

  void postMain(Work work);
  std::size_t runMainUntilIdle();
  void runMain();
  void runMainWhile(const std::function<bool()>& keepGoing);
  void stop();

  void adopt();
  bool isMainThread() const;

  // Wakes a main thread that waits in waitOnMain. Call after the waited-for state changed.
  void pokeMain();
  // Waits on the main thread until `done` holds (checked under the runtime's lock), running
  // main-queue blocks meanwhile so work that needs the main thread cannot deadlock the wait.
  // timeoutMs < 0 waits forever. Returns done().
  bool waitOnMain(const std::function<bool()>& done, double timeoutMs);
  // Runs main-queue work until the queue is empty and no tracked work is outstanding.
  void waitQuiescent();
  // As waitQuiescent, for every block on every queue, tracked or not. False when work was still
  // outstanding after timeoutMs (< 0 waits forever).
  bool waitAllDone(double timeoutMs);

  // Once closed, queues take no more blocks and start no more threads; reopen() undoes it.
  void close() { closed_.store(true); }
  void reopen() { closed_.store(false); }
  bool closed() const { return closed_.load(); }

  // True once the process has begun running static destructors.
  static bool exiting();

 private:
  Runtime() = default;
  bool popMain(Work& out);

  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::deque<Work> mainQueue_;
  std::size_t inflight_ = 0;
  // Every block submitted to any queue and not finished yet.
  std::size_t pending_ = 0;
  std::atomic<bool> closed_{false};
  bool stopRequested_ = false;
};

// A one-shot flag that a thread can wait for. A waiting main thread keeps running main-queue work.
class Signal {
 public:
  void set();
  bool wait(double timeoutMs = -1);

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::atomic<bool> done_{false};
};

}  // namespace vl::dispatch::detail
