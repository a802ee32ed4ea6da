#include <algorithm>
#include <cmath>

#include "platform/dispatch/Dispatch.h"
#include "platform/dispatch/Runtime.h"
#include "platform/dispatch/Scheduler.h"
#include "platform/dispatch/WorkerPool.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"

namespace vl::dispatch {

namespace {

// A chain of delayed blocks whose delays round to nothing would keep one advance() going forever.
constexpr std::size_t kMaxSteps = 10000000;

}  // namespace

void MainLoop::adoptCurrentThread() { detail::Runtime::shared().adopt(); }

bool MainLoop::isMainThread() { return detail::Runtime::shared().isMainThread(); }

void MainLoop::run() { detail::Runtime::shared().runMain(); }

void MainLoop::runWhile(const std::function<bool()>& keepGoing) {
  detail::Runtime& runtime = detail::Runtime::shared();
  if (!runtime.isMainThread()) {
    logWarning("dispatch: MainLoop::runWhile called off the main thread; nothing ran");
    return;
  }
  runtime.runMainWhile(keepGoing);
}

void MainLoop::stop() { detail::Runtime::shared().stop(); }

std::size_t MainLoop::runUntilIdle() {
  detail::Runtime& runtime = detail::Runtime::shared();
  if (!runtime.isMainThread()) {
    logWarning("dispatch: MainLoop::runUntilIdle called off the main thread; nothing ran");
    return 0;
  }
  return runtime.runMainUntilIdle();
}

void MainLoop::advance(double ms) {
  detail::Runtime& runtime = detail::Runtime::shared();
  if (!runtime.isMainThread()) {
    logWarning("dispatch: MainLoop::advance called off the main thread; time did not move");
    return;
  }
  auto* clock = dynamic_cast<ManualClock*>(&Clock::current());
  if (!clock) {
    logWarning("dispatch: MainLoop::advance needs a manual clock; only ready main-queue work ran");
    runtime.runMainUntilIdle();
    return;
  }
  // Everything submitted from here on, and everything that submits in turn, is waited for.
  detail::ContextScope tracked(detail::threadContext().queue, true);
  detail::Scheduler& scheduler = detail::Scheduler::shared();
  const double target = clock->monotonicMs() + (std::isfinite(ms) && ms > 0 ? ms : 0.0);

  runtime.waitQuiescent();
  for (std::size_t steps = 0;; ++steps) {
    std::optional<double> wake = scheduler.nextWake();
    if (!wake || *wake > target) break;
    if (steps == kMaxSteps) {
      logWarningf("dispatch: MainLoop::advance gave up after %zu steps; deadlines keep coming due at once",
                  steps);
      break;
    }
    double now = clock->monotonicMs();
    if (*wake > now) clock->advanceMs(*wake - now);
    // Steps go to the deadline itself, not to the clock's sum, which can differ in the last bit.
    double at = std::max(*wake, now);
    for (auto& item : scheduler.takeDue(at)) item->fire(at);
    runtime.waitQuiescent();
  }
  double now = clock->monotonicMs();
  if (target > now) clock->advanceMs(target - now);
  runtime.waitQuiescent();
}

bool MainLoop::shutdown(double timeoutMs) {
  detail::Runtime& runtime = detail::Runtime::shared();
  if (!runtime.isMainThread()) {
    logWarning("dispatch: MainLoop::shutdown called off the main thread; nothing stopped");
    return false;
  }
  // A repeating timer would keep adding work; what it already handed to a queue still runs.
  detail::Scheduler::shared().halt();
  if (!runtime.waitAllDone(timeoutMs)) {
    logWarning("dispatch: blocks were still running when the queues had to stop");
    return false;
  }
  runtime.close();
  // Blocks a stray thread slipped in before the close are drained by their workers on the way out.
  detail::stopSerialWorkers();
  detail::WorkerPool::shared().stop();
  runtime.runMainUntilIdle();
  return true;
}

void MainLoop::reopen() {
  detail::Runtime::shared().reopen();
  detail::Scheduler::shared().resume();
}

std::size_t MainLoop::workerThreadCount() {
  return detail::serialWorkerCount() + detail::WorkerPool::shared().threadCount() +
         (detail::Scheduler::shared().threadRunning() ? 1 : 0);
}

}  // namespace vl::dispatch
