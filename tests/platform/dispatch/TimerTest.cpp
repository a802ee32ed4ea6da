#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"

namespace vl::dispatch {
namespace {

// Timers under a manual clock: nothing fires until advance() moves time, and advance() returns only
// when the blocks it set off are done, so the tests read results without waiting.
class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>();
    Clock::install(clock_);
  }
  void TearDown() override { Clock::install(nullptr); }

  double now() const { return clock_->monotonicMs(); }

  // Collects the manual times at which a handler ran, from whatever thread it runs on.
  struct Times {
    std::mutex mu;
    std::vector<double> at;
    void add(double t) {
      std::lock_guard<std::mutex> lock(mu);
      at.push_back(t);
    }
    std::vector<double> get() {
      std::lock_guard<std::mutex> lock(mu);
      return at;
    }
  };

  std::shared_ptr<ManualClock> clock_;
};

TEST_F(TimerTest, HundredMillisecondTimerFiresTenTimesInOneSecondOnEveryKindOfQueue) {
  const std::vector<std::pair<std::string, std::shared_ptr<Queue>>> queues = {
      {"serial", Queue::serial("test.timer.serial")},
      {"concurrent", Queue::concurrent("test.timer.concurrent")},
      {"global", Queue::global()},
      {"main", Queue::main()},
  };
  for (const auto& [name, queue] : queues) {
    SCOPED_TRACE(name);
    double start = now();
    Times times;
    auto timer = TimerSource::create(queue);
    timer->schedule(100, 100);
    timer->setHandler([&] { times.add(Clock::current().monotonicMs() - start); });
    timer->resume();
    MainLoop::advance(1000);
    EXPECT_EQ(times.get(), (std::vector<double>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}));
    timer->cancel();
    MainLoop::advance(1000);
    EXPECT_EQ(times.get().size(), 10u);
  }
}

TEST_F(TimerTest, StartDelayIntervalAndOneShot) {
  Times repeating, single;
  auto timer = TimerSource::create(Queue::global());
  timer->setHandler([&] { repeating.add(Clock::current().monotonicMs()); });
  timer->schedule(250, 100);
  auto oneShot = TimerSource::create(Queue::main());
  oneShot->setHandler([&] { single.add(Clock::current().monotonicMs()); });
  oneShot->schedule(50, 0);
  oneShot->resume();

  MainLoop::advance(1000);  // the repeating timer is still suspended
  EXPECT_TRUE(repeating.get().empty());
  EXPECT_EQ(single.get(), (std::vector<double>{50}));

  // Created suspended: the start delay counts from schedule(), so a late resume fires at once and
  // then keeps the phase of the original schedule.
  timer->resume();
  MainLoop::advance(200);
  EXPECT_EQ(repeating.get(), (std::vector<double>{1000, 1050, 1150}));
}

TEST_F(TimerTest, SuspendHoldsFiresAndResumeFiresMissedDeadlineOnce) {
  Times times;
  auto timer = TimerSource::create(Queue::serial("test.timer.suspend"));
  timer->setHandler([&] { times.add(Clock::current().monotonicMs()); });
  timer->schedule(100, 100);
  timer->resume();
  MainLoop::advance(200);
  timer->suspend();
  MainLoop::advance(450);  // now 650
  EXPECT_EQ(times.get(), (std::vector<double>{100, 200}));
  timer->resume();
  MainLoop::advance(100);  // the missed 300..600 fold into one fire now, then 700 on the old phase
  EXPECT_EQ(times.get(), (std::vector<double>{100, 200, 650, 700}));
}

TEST_F(TimerTest, CancelAndDroppingTheLastReferenceStopTheTimer) {
  std::atomic<int> fires{0};
  auto timer = TimerSource::create(Queue::global());
  timer->setHandler([&] { fires.fetch_add(1); });
  timer->schedule(100, 100);
  timer->resume();
  MainLoop::advance(300);
  EXPECT_EQ(fires.load(), 3);
  timer->cancel();
  timer->resume();  // no effect after cancel
  timer->schedule(0, 10);
  MainLoop::advance(300);
  EXPECT_EQ(fires.load(), 3);

  std::atomic<int> dropped{0};
  {
    auto other = TimerSource::create(Queue::main());
    other->setHandler([&] { dropped.fetch_add(1); });
    other->schedule(100, 100);
    other->resume();
    MainLoop::advance(100);
  }
  MainLoop::advance(500);
  EXPECT_EQ(dropped.load(), 1);
}

TEST_F(TimerTest, CancelFromInsideTheHandlerStopsLaterFires) {
  std::atomic<int> fires{0};
  auto timer = TimerSource::create(Queue::serial("test.timer.selfcancel"));
  std::weak_ptr<TimerSource> weak = timer;
  timer->setHandler([&fires, weak] {
    if (fires.fetch_add(1) == 1) {
      if (auto t = weak.lock()) t->cancel();
    }
  });
  timer->schedule(10, 10);
  timer->resume();
  MainLoop::advance(100);
  EXPECT_EQ(fires.load(), 2);
}

TEST_F(TimerTest, LeewayLetsAnEarlierTimerWaitForANearbyDeadline) {
  struct Case {
    double leeway;
    double expectedFirst;
  };
  // A second timer is due at 120 ms: within the first's leeway they fire together, never before 100.
  for (Case c : {Case{30, 120}, Case{20, 120}, Case{10, 100}, Case{0, 100}}) {
    SCOPED_TRACE(c.leeway);
    double start = now();
    Times first, second;
    auto a = TimerSource::create(Queue::global());
    a->setHandler([&] { first.add(Clock::current().monotonicMs() - start); });
    a->schedule(100, 0, c.leeway);
    auto b = TimerSource::create(Queue::global());
    b->setHandler([&] { second.add(Clock::current().monotonicMs() - start); });
    b->schedule(120, 0);
    a->resume();
    b->resume();
    MainLoop::advance(99);
    EXPECT_TRUE(first.get().empty());
    MainLoop::advance(101);
    EXPECT_EQ(first.get(), (std::vector<double>{c.expectedFirst}));
    EXPECT_EQ(second.get(), (std::vector<double>{120}));
  }
}

TEST_F(TimerTest, DelayedBlockRunsAtItsDeadlineUnlessCancelled) {
  std::vector<std::string> ran;
  after(60, Queue::main(), [&] { ran.push_back("unheld"); });  // dropping the handle does not cancel
  auto kept = after(100, Queue::main(), [&] { ran.push_back("kept"); });
  auto cancelled = after(50, Queue::main(), [&] { ran.push_back("cancelled"); });
  cancelled->cancel();
  MainLoop::advance(99);
  EXPECT_EQ(ran, (std::vector<std::string>{"unheld"}));
  MainLoop::advance(1);
  EXPECT_EQ(ran, (std::vector<std::string>{"unheld", "kept"}));
  kept->cancel();  // after it ran: harmless
  MainLoop::advance(1000);
  EXPECT_EQ(ran.size(), 2u);
}

TEST_F(TimerTest, DelayedBlockCancelledAfterReachingItsQueueDoesNotRun) {
  std::vector<std::string> ran;
  std::shared_ptr<DelayedBlock> second;
  // Both come due in the same step; the first cancels the second before the main queue gets to it.
  auto first = after(100, Queue::main(), [&] {
    ran.push_back("first");
    second->cancel();
  });
  second = after(100, Queue::main(), [&] { ran.push_back("second"); });
  MainLoop::advance(100);
  EXPECT_EQ(ran, (std::vector<std::string>{"first"}));
}

TEST_F(TimerTest, AdvanceWaitsForChainsAcrossQueuesAndWorkerSyncOntoMain) {
  auto capture = Queue::serial("test.chain.capture");
  std::vector<std::string> steps;  // appended on the main thread only
  std::atomic<bool> handlerOnMain{false};
  auto timer = TimerSource::create(Queue::global());
  timer->setHandler([&] {
    capture->async([&] {
      Queue::main()->sync([&] {
        handlerOnMain = MainLoop::isMainThread();
        steps.push_back("sync");
      });
      Queue::main()->async([&] { steps.push_back("async"); });
    });
  });
  timer->schedule(100, 100);
  timer->resume();
  MainLoop::advance(100);
  EXPECT_TRUE(handlerOnMain);
  EXPECT_EQ(steps, (std::vector<std::string>{"sync", "async"}));
  MainLoop::advance(200);
  EXPECT_EQ(steps.size(), 6u);
}

TEST_F(TimerTest, DelayedBlocksScheduledByFiredBlocksRunInTheSameAdvance) {
  std::vector<double> at;
  std::function<void()> again;
  again = [&] {
    at.push_back(Clock::current().monotonicMs());
    if (at.size() < 5) after(30, Queue::main(), again);
  };
  after(30, Queue::main(), again);
  MainLoop::advance(1000);
  EXPECT_EQ(at, (std::vector<double>{30, 60, 90, 120, 150}));
  EXPECT_EQ(now(), 1000);
}

TEST_F(TimerTest, BadDurationsAreTreatedAsZero) {
  bool ran = false;
  after(-5, Queue::main(), [&] { ran = true; });
  MainLoop::runUntilIdle();
  EXPECT_TRUE(ran);
  MainLoop::advance(std::nan(""));
  EXPECT_EQ(now(), 0);
  MainLoop::advance(-10);
  EXPECT_EQ(now(), 0);
}

// The system clock: the timer thread sleeps until the deadline by itself.
TEST(RealClockTimer, ShortDelayAndTimerFireWithoutHelp) {
  Clock::install(nullptr);
  Group group;
  group.enter();
  auto start = std::chrono::steady_clock::now();
  after(5, Queue::global(), [&] { group.leave(); });
  ASSERT_TRUE(group.wait(5000));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4));

  std::atomic<int> fires{0};
  Group ticks;
  ticks.enter();
  auto timer = TimerSource::create(Queue::serial("test.realtimer"));
  timer->setHandler([&] {
    if (fires.fetch_add(1) == 2) ticks.leave();
  });
  timer->schedule(2, 2);
  timer->resume();
  ASSERT_TRUE(ticks.wait(5000));
  timer->cancel();
}

}  // namespace
}  // namespace vl::dispatch
