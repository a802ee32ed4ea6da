#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace vl::dispatch::detail {

// Something with a deadline: a delayed block or a timer. The scheduler owns the arm fields.
class Scheduled {
 public:
  virtual ~Scheduled() = default;
  // Called without scheduler locks once the deadline passed; `nowMs` is the time of the step.
  virtual void fire(double nowMs) = 0;

 private:
  friend class Scheduler;
  bool armed_ = false;
  double deadline_ = 0;
  double leeway_ = 0;
  std::uint64_t seq_ = 0;
};

// Deadlines on the monotonic time of vl::Clock. With the system clock a thread of its own sleeps
// until the next one; with a manual clock nothing fires until MainLoop::advance asks.
class Scheduler {
 public:
  static Scheduler& shared();

  // (Re)arms the item; an earlier arming is replaced.
  void arm(const std::shared_ptr<Scheduled>& item, double deadlineMs, double leewayMs);
  void disarm(const std::shared_ptr<Scheduled>& item);

  // When the next batch should fire: the earliest deadline, pushed later only as far as the
  // leeway of every item in the batch allows, to take in items due shortly after.
  std::optional<double> nextWake() const;
  // Disarms and returns every item whose deadline is at or before `nowMs`, in deadline order.
  std::vector<std::shared_ptr<Scheduled>> takeDue(double nowMs);

  // Quitting: the timer thread ends and is joined; armed items stay armed but fire only through
  // MainLoop::advance until resume().
  void halt();
  void resume();
  bool threadRunning() const;

 private:
  struct Entry {
    double deadline;
    std::uint64_t seq;
    std::shared_ptr<Scheduled> item;
    bool operator<(const Entry& other) const {
      return deadline != other.deadline ? deadline < other.deadline : seq < other.seq;
    }
  };

  Scheduler() = default;
  std::optional<double> nextWakeLocked() const;
  void disarmLocked(Scheduled& item);
  void ensureThreadLocked();
  void threadLoop();

  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::set<Entry> entries_;
  std::uint64_t nextSeq_ = 1;
  std::thread thread_;
  bool halted_ = false;
};

}  // namespace vl::dispatch::detail
