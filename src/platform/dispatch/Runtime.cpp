#include "platform/dispatch/Runtime.h"

#include <pthread.h>

#include <chrono>
#include <exception>

#include "platform/dispatch/WorkerPool.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"

namespace vl::dispatch::detail {

namespace {

std::atomic<bool> gExiting{false};

// Destroyed with the other statics at exit; tells the timer thread to stop touching the clock,
// whose statics are destroyed right after.
struct ExitWatch {
  ~ExitWatch() { gExiting.store(true); }
};

// A main-queue block that keeps re-posting itself would keep runUntilIdle going forever; one call
// stops after this many blocks.
constexpr std::size_t kIdleRunCap = 1000000;

}  // namespace

ThreadContext& threadContext() {
  thread_local ThreadContext context;
  return context;
}

ContextScope::ContextScope(const void* queue, bool tracked) : saved_(threadContext()) {
  threadContext().queue = queue;
  threadContext().tracked = tracked;
}

ContextScope::~ContextScope() {
  threadContext().queue = saved_.queue;
  threadContext().tracked = saved_.tracked;
}

void invoke(const Block& block, const std::string& label) {
  if (!block) return;
  try {
    block();
  } catch (const std::exception& e) {
    reportUncaughtException("dispatch: a block on", label.c_str(), &e);
  } catch (...) {
    reportUncaughtException("dispatch: a block on", label.c_str(), nullptr);
  }
}

void nameThread(const std::string& label) {
  std::string name = label.substr(0, 15);
  ::pthread_setname_np(::pthread_self(), name.c_str());
}

Runtime& Runtime::shared() {
  static Runtime* runtime = [] {
    // Touch the clock first so its statics outlive the exit watch below.
    (void)Clock::current();
    static ExitWatch watch;
    return new Runtime();
  }();
  return *runtime;
}

bool Runtime::exiting() { return gExiting.load(); }

bool Runtime::beginWork() {
  const bool tracked = threadContext().tracked;
  std::lock_guard<std::mutex> lock(mu_);
  ++pending_;
  if (tracked) ++inflight_;
  return tracked;
}

void Runtime::endWork(bool tracked) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (pending_ > 0) --pending_;
    if (tracked && inflight_ > 0) --inflight_;
  }
  cv_.notify_all();
}

void Runtime::postMain(Work work) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    mainQueue_.push_back(std::move(work));
  }
  cv_.notify_all();
}

bool Runtime::popMain(Work& out) {
  std::lock_guard<std::mutex> lock(mu_);
  if (mainQueue_.empty()) return false;
  out = std::move(mainQueue_.front());
  mainQueue_.pop_front();
  return true;
}

std::size_t Runtime::runMainUntilIdle() {
  static const std::string label = "main";
  std::size_t ran = 0;
  Work work;
  while (popMain(work)) {
    {
      ContextScope scope(mainToken(), threadContext().tracked || work.tracked);
      invoke(work.block, label);
    }
    work.block = nullptr;
    endWork(work.tracked);
    if (++ran >= kIdleRunCap) {
      logWarningf(
          "dispatch: runUntilIdle stopped after %zu blocks; a main-queue block keeps re-posting itself", ran);
      break;
    }
  }
  return ran;
}

void Runtime::runMain() {
  static const std::string label = "main";
  adopt();
  for (;;) {
    Work work;
    {
      std::unique_lock<std::mutex> lock(mu_);
      cv_.wait(lock, [&] { return stopRequested_ || !mainQueue_.empty(); });
      if (stopRequested_) {
        stopRequested_ = false;
        return;
      }
      work = std::move(mainQueue_.front());
      mainQueue_.pop_front();
    }
    {
      ContextScope scope(mainToken(), work.tracked);
      invoke(work.block, label);
    }
    work.block = nullptr;
    endWork(work.tracked);
  }
}

void Runtime::runMainWhile(const std::function<bool()>& keepGoing) {
  static const std::string label = "main";
  while (keepGoing()) {
    Work work;
    {
      std::unique_lock<std::mutex> lock(mu_);
      cv_.wait(lock, [&] { return stopRequested_ || !mainQueue_.empty(); });
      if (stopRequested_) return;  // the flag stays for the outer run
      work = std::move(mainQueue_.front());
      mainQueue_.pop_front();
    }
    {
      ContextScope scope(mainToken(), threadContext().tracked || work.tracked);
      invoke(work.block, label);
    }
    work.block = nullptr;
    endWork(work.tracked);
  }
}

void Runtime::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    // Kept until run() sees it, so a stop that arrives before run() starts is not lost.
    stopRequested_ = true;
  }
  cv_.notify_all();
}

void Runtime::adopt() { adoptMainThread(); }

bool Runtime::isMainThread() const { return vl::isMainThread(); }

void Runtime::pokeMain() {
  { std::lock_guard<std::mutex> lock(mu_); }
  cv_.notify_all();
}

bool Runtime::waitOnMain(const std::function<bool()>& done, double timeoutMs) {
  using Steady = std::chrono::steady_clock;
  const bool forever = !(timeoutMs >= 0);
  const auto deadline =
      Steady::now() + std::chrono::duration_cast<Steady::duration>(
                          std::chrono::duration<double, std::milli>(forever ? 0 : timeoutMs));
  for (;;) {
    runMainUntilIdle();
    std::unique_lock<std::mutex> lock(mu_);
    if (done()) return true;
    auto ready = [&] { return done() || !mainQueue_.empty(); };
    if (forever) {
      cv_.wait(lock, ready);
    } else if (!cv_.wait_until(lock, deadline, ready)) {
      return done();
    }
    if (done()) return true;
  }
}

void Runtime::waitQuiescent() {
  for (;;) {
    runMainUntilIdle();
    std::unique_lock<std::mutex> lock(mu_);
    if (mainQueue_.empty() && inflight_ == 0) return;
    cv_.wait(lock, [&] { return !mainQueue_.empty() || inflight_ == 0; });
  }
}

bool Runtime::waitAllDone(double timeoutMs) {
  // waitOnMain reads the condition under mu_, which also guards the main queue and the pending count.
  return waitOnMain([this] { return mainQueue_.empty() && pending_ == 0; }, timeoutMs);
}

void Signal::set() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    done_.store(true);
  }
  cv_.notify_all();
  Runtime::shared().pokeMain();
}

bool Signal::wait(double timeoutMs) {
  if (Runtime::shared().isMainThread()) {
    return Runtime::shared().waitOnMain([this] { return done_.load(); }, timeoutMs);
  }
  WorkerPool::BlockingScope blocking;
  std::unique_lock<std::mutex> lock(mu_);
  if (!(timeoutMs >= 0)) {
    cv_.wait(lock, [this] { return done_.load(); });
    return true;
  }
  return cv_.wait_for(lock, std::chrono::duration<double, std::milli>(timeoutMs),
                      [this] { return done_.load(); });
}

}  // namespace vl::dispatch::detail
