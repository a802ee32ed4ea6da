#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace vl {

// Every wait, poll, timer and animation reads this clock, so tests can run a 100 ms poll or a 0.3 s
// animation by advancing a manual clock instead of sleeping.
class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970.
  virtual double now() const = 0;
  // Monotonic time in milliseconds, the base of timers and delays.
  virtual double monotonicMs() const = 0;
  virtual bool isManual() const { return false; }

  // The process-wide clock; the system clock unless a test installed another.
  static Clock& current();
  static void install(std::shared_ptr<Clock> clock);  // nullptr restores the system clock
};

class SystemClock final : public Clock {
 public:
  double now() const override;
  double monotonicMs() const override;
};

// A clock that only moves when told. Wall time starts at `wallStart` and moves with the monotonic time.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(double wallStart = 1.7e9);
  double now() const override;
  double monotonicMs() const override;
  bool isManual() const override { return true; }
  void advanceMs(double ms);
  void setNow(double secondsSince1970);

 private:
  std::atomic<double> wall_;
  std::atomic<double> mono_{0};
};

}  // namespace vl
