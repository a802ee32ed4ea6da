#include "platform/dispatch/Scheduler.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/dispatch/Runtime.h"
#include "platform/foundation/Clock.h"

namespace vl::dispatch::detail {

namespace {

// While a manual clock is installed the timer thread only looks now and then whether the system
// clock is back; a manual clock moves through MainLoop::advance alone.
constexpr auto kManualRecheck = std::chrono::milliseconds(50);

}  // namespace

Scheduler& Scheduler::shared() {
  static Scheduler* scheduler = new Scheduler();  // never destroyed; see Runtime::shared
  return *scheduler;
}

void Scheduler::arm(const std::shared_ptr<Scheduled>& item, double deadlineMs, double leewayMs) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    disarmLocked(*item);
    item->armed_ = true;
    item->deadline_ = deadlineMs;
    item->leeway_ = std::max(0.0, leewayMs);
    item->seq_ = nextSeq_++;
    entries_.insert(Entry{deadlineMs, item->seq_, item});
    ensureThreadLocked();
  }
  cv_.notify_all();
}

void Scheduler::disarm(const std::shared_ptr<Scheduled>& item) {
  std::shared_ptr<Scheduled> keep;  // the entry's reference must not be the last one under the lock
  std::lock_guard<std::mutex> lock(mu_);
  if (!item->armed_) return;
  keep = item;
  disarmLocked(*item);
}

void Scheduler::disarmLocked(Scheduled& item) {
  if (!item.armed_) return;
  entries_.erase(Entry{item.deadline_, item.seq_, nullptr});
  item.armed_ = false;
}

std::optional<double> Scheduler::nextWake() const {
  std::lock_guard<std::mutex> lock(mu_);
  return nextWakeLocked();
}

std::optional<double> Scheduler::nextWakeLocked() const {
  if (entries_.empty()) return std::nullopt;
  auto it = entries_.begin();
  double wake = it->deadline;
  double latest = it->deadline + it->item->leeway_;
  for (++it; it != entries_.end() && it->deadline <= latest; ++it) {
    wake = it->deadline;
    latest = std::min(latest, it->deadline + it->item->leeway_);
  }
  return wake;
}

std::vector<std::shared_ptr<Scheduled>> Scheduler::takeDue(double nowMs) {
  std::vector<std::shared_ptr<Scheduled>> due;
  std::lock_guard<std::mutex> lock(mu_);
  while (!entries_.empty() && entries_.begin()->deadline <= nowMs) {
    auto node = entries_.extract(entries_.begin());
    node.value().item->armed_ = false;
    due.push_back(std::move(node.value().item));
  }
  return due;
}

void Scheduler::ensureThreadLocked() {
  if (halted_ || thread_.joinable()) return;
  thread_ = std::thread([this] { threadLoop(); });
}

void Scheduler::halt() {
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(mu_);
    halted_ = true;
    thread.swap(thread_);
  }
  cv_.notify_all();
  if (thread.joinable()) thread.join();
}

void Scheduler::resume() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    halted_ = false;
    if (!entries_.empty()) ensureThreadLocked();
  }
  cv_.notify_all();
}

bool Scheduler::threadRunning() const {
  std::lock_guard<std::mutex> lock(mu_);
  return thread_.joinable();
}

void Scheduler::threadLoop() {
  nameThread("vl.timers");
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    if (halted_) return;  // halt() joins this thread
    if (Runtime::exiting()) {
      // Nobody joins a thread the process leaves behind at exit; let go of it rather than leave it
      // finished and unjoined.
      if (thread_.joinable()) thread_.detach();
      return;
    }
    if (entries_.empty()) {
      cv_.wait(lock);
      continue;
    }
    Clock& clock = Clock::current();
    if (clock.isManual()) {
      cv_.wait_for(lock, kManualRecheck);
      continue;
    }
    double now = clock.monotonicMs();
    std::optional<double> wake = nextWakeLocked();
    if (wake && *wake > now) {
      cv_.wait_for(lock, std::chrono::duration<double, std::milli>(*wake - now));
      continue;
    }
    lock.unlock();
    for (auto& item : takeDue(now)) item->fire(now);
    lock.lock();
  }
}

}  // namespace vl::dispatch::detail
