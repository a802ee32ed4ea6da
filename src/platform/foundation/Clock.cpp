#include "platform/foundation/Clock.h"

#include <chrono>
#include <vector>

namespace vl {

namespace {

// Neither is ever destroyed: timer and worker threads read the clock until the process is gone, after
// static destructors have run.
std::mutex& clockMutex() {
  static auto* m = new std::mutex();
  return *m;
}

std::shared_ptr<Clock>& installedClock() {
  static auto* clock = new std::shared_ptr<Clock>(std::make_shared<SystemClock>());
  return *clock;
}

}  // namespace

Clock& Clock::current() {
  std::lock_guard<std::mutex> lock(clockMutex());
  return *installedClock();
}

void Clock::install(std::shared_ptr<Clock> clock) {
  std::lock_guard<std::mutex> lock(clockMutex());
  // The previous clock is kept alive on purpose: callers may still hold the reference current()
  // gave them, and clocks are installed only a handful of times per process.
  static auto* retired = new std::vector<std::shared_ptr<Clock>>();
  retired->push_back(installedClock());
  installedClock() = clock ? std::move(clock) : std::make_shared<SystemClock>();
}

double SystemClock::now() const {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

double SystemClock::monotonicMs() const {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

ManualClock::ManualClock(double wallStart) : wall_(wallStart) {}

double ManualClock::now() const { return wall_.load(); }

double ManualClock::monotonicMs() const { return mono_.load(); }

void ManualClock::advanceMs(double ms) {
  if (ms <= 0) return;
  // fetch_add on atomic<double> is C++20; both move together so wall and monotonic time agree.
  mono_.fetch_add(ms);
  wall_.fetch_add(ms / 1000.0);
}

void ManualClock::setNow(double secondsSince1970) { wall_.store(secondsSince1970); }

}  // namespace vl
