#include <algorithm>
#include <cmath>
#include <mutex>

#include "platform/dispatch/Dispatch.h"
#include "platform/dispatch/Scheduler.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"

namespace vl::dispatch {

namespace {

using detail::Scheduled;
using detail::Scheduler;

// A repeating timer shorter than this would keep the timer thread spinning.
constexpr double kMinIntervalMs = 1.0;

double sanitizeMs(double ms) { return std::isfinite(ms) && ms > 0 ? ms : 0.0; }

class DelayedCore final : public Scheduled,
                          public DelayedBlock,
                          public std::enable_shared_from_this<DelayedCore> {
 public:
  DelayedCore(std::shared_ptr<Queue> queue, Block block)
      : queue_(std::move(queue)), block_(std::move(block)) {}

  void fire(double) override { dispatch(); }

  void dispatch() {
    std::shared_ptr<Queue> queue;
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (cancelled_) return;
      queue = queue_;
    }
    // Cancelling after the block reached its queue still stops it, as long as it has not started.
    queue->async([self = shared_from_this()] {
      Block block;
      {
        std::lock_guard<std::mutex> lock(self->mu_);
        if (self->cancelled_) return;
        block = std::move(self->block_);
        self->block_ = nullptr;
      }
      if (block) block();
    });
  }

  void cancel() override {
    Block dropped;  // released outside the lock: it may own things whose destructors cancel us again
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (cancelled_) return;
      cancelled_ = true;
      dropped = std::move(block_);
      block_ = nullptr;
    }
    Scheduler::shared().disarm(shared_from_this());
  }

  bool isCancelled() const override {
    std::lock_guard<std::mutex> lock(mu_);
    return cancelled_;
  }

 private:
  mutable std::mutex mu_;
  std::shared_ptr<Queue> queue_;
  Block block_;
  bool cancelled_ = false;
};

// The scheduled part of a timer; the handle below cancels it when the last reference goes.
class TimerCore final : public Scheduled, public std::enable_shared_from_this<TimerCore> {
 public:
  explicit TimerCore(std::shared_ptr<Queue> queue) : queue_(std::move(queue)) {}

  void schedule(double startDelayMs, double intervalMs, double leewayMs) {
    std::lock_guard<std::mutex> lock(mu_);
    if (cancelled_) return;
    interval_ = sanitizeMs(intervalMs);
    if (interval_ > 0 && interval_ < kMinIntervalMs) interval_ = kMinIntervalMs;
    leeway_ = sanitizeMs(leewayMs);
    base_ = Clock::current().monotonicMs() + sanitizeMs(startDelayMs);
    index_ = 0;
    scheduled_ = true;
    if (resumed_) armLocked();
  }

  void setHandler(Block handler) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!cancelled_) handler_ = std::move(handler);
  }

  void resume() {
    std::lock_guard<std::mutex> lock(mu_);
    if (cancelled_ || resumed_) return;
    resumed_ = true;
    // A deadline missed while suspended fires at once; the ones after it keep their phase.
    if (scheduled_) armLocked();
  }

  void suspend() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (!resumed_) return;
      resumed_ = false;
    }
    Scheduler::shared().disarm(shared_from_this());
  }

  void cancel() {
    Block dropped;
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (cancelled_) return;
      cancelled_ = true;
      dropped = std::move(handler_);
      handler_ = nullptr;
    }
    Scheduler::shared().disarm(shared_from_this());
  }

  bool isCancelled() const {
    std::lock_guard<std::mutex> lock(mu_);
    return cancelled_;
  }

  void fire(double nowMs) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (cancelled_ || !resumed_ || !scheduled_) return;
    // Fires that come while the previous one still waits on its queue fold into it.
    if (!pending_) {
      pending_ = true;
      queue_->async([self = shared_from_this()] { self->runHandler(); });
    }
    if (interval_ > 0) {
      // Deadlines missed by a late wake are skipped, not fired in a burst. The step of one is a floor
      // against rounding: (base + k * interval - base) / interval can come out a hair under k.
      long long byTime = static_cast<long long>(std::floor((nowMs - base_) / interval_)) + 1;
      index_ = std::max(index_ + 1, byTime);
      armLocked();
    } else {
      scheduled_ = false;
    }
  }

 private:
  void armLocked() {
    Scheduler::shared().arm(shared_from_this(), base_ + static_cast<double>(index_) * interval_, leeway_);
  }

  void runHandler() {
    Block handler;
    {
      std::lock_guard<std::mutex> lock(mu_);
      pending_ = false;
      if (cancelled_) return;
      handler = handler_;
    }
    if (handler) handler();
  }

  mutable std::mutex mu_;
  std::shared_ptr<Queue> queue_;
  Block handler_;
  double base_ = 0;
  double interval_ = 0;
  double leeway_ = 0;
  long long index_ = 0;
  bool scheduled_ = false;
  bool resumed_ = false;
  bool cancelled_ = false;
  bool pending_ = false;
};

class TimerHandle final : public TimerSource {
 public:
  explicit TimerHandle(std::shared_ptr<Queue> queue) : core_(std::make_shared<TimerCore>(std::move(queue))) {}
  ~TimerHandle() override { core_->cancel(); }

  void schedule(double startDelayMs, double intervalMs, double leewayMs) override {
    core_->schedule(startDelayMs, intervalMs, leewayMs);
  }
  void setHandler(Block handler) override { core_->setHandler(std::move(handler)); }
  void resume() override { core_->resume(); }
  void suspend() override { core_->suspend(); }
  void cancel() override { core_->cancel(); }
  bool isCancelled() const override { return core_->isCancelled(); }

 private:
  std::shared_ptr<TimerCore> core_;
};

}  // namespace

std::shared_ptr<DelayedBlock> after(double delayMs, const std::shared_ptr<Queue>& queue, Block block) {
  std::shared_ptr<Queue> target = queue;
  if (!target) {
    logWarning("dispatch: after() without a queue; using the global queue");
    target = Queue::global();
  }
  auto core = std::make_shared<DelayedCore>(target, std::move(block));
  double delay = sanitizeMs(delayMs);
  if (delay == 0) {
    core->dispatch();
  } else {
    Scheduler::shared().arm(core, Clock::current().monotonicMs() + delay, 0);
  }
  return core;
}

std::shared_ptr<TimerSource> TimerSource::create(const std::shared_ptr<Queue>& queue) {
  if (!queue) {
    logWarning("dispatch: TimerSource without a queue; using the global queue");
    return std::make_shared<TimerHandle>(Queue::global());
  }
  return std::make_shared<TimerHandle>(queue);
}

}  // namespace vl::dispatch
