#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Check.h"
#include "support/TestSupport.h"

namespace vl::dispatch {
namespace {

using namespace std::chrono_literals;

// Polls a condition for a generous real-time bound; these tests wait on other threads, never on timers.
template <typename Pred>
bool eventually(Pred pred, std::chrono::milliseconds bound = 5000ms) {
  auto until = std::chrono::steady_clock::now() + bound;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > until) return false;
    MainLoop::runUntilIdle();
    std::this_thread::yield();
  }
  return true;
}

class QueueTest : public ::testing::Test {
 protected:
  void SetUp() override { MainLoop::adoptCurrentThread(); }
};

TEST_F(QueueTest, SerialQueueRunsOneBlockAtATimeInSubmissionOrderPerProducer) {
  auto queue = Queue::serial("test.serial.order");
  constexpr int kProducers = 8;
  constexpr int kBlocks = 2000;
  std::vector<std::pair<int, int>> seen;  // touched only by blocks of the queue
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};

  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&, p] {
      for (int i = 0; i < kBlocks; ++i) {
        queue->async([&, p, i] {
          if (inside.fetch_add(1) != 0) overlapped = true;
          seen.emplace_back(p, i);
          inside.fetch_sub(1);
        });
      }
    });
  }
  for (auto& t : producers) t.join();
  queue->sync([] {});

  ASSERT_EQ(seen.size(), static_cast<size_t>(kProducers * kBlocks));
  EXPECT_FALSE(overlapped);
  std::vector<int> next(kProducers, 0);
  for (auto [p, i] : seen) {
    ASSERT_EQ(i, next[p]) << "producer " << p;
    ++next[p];
  }
}

TEST_F(QueueTest, SyncOntoOwnSerialQueueRunsInlineAndKnowsItsQueue) {
  auto queue = Queue::serial("test.serial.inline");
  auto other = Queue::serial("test.serial.other");
  bool innerRan = false, currentInside = false, otherCurrent = true;
  queue->sync([&] {
    currentInside = queue->isCurrent();
    otherCurrent = other->isCurrent();
    queue->sync([&] { innerRan = true; });
  });
  EXPECT_TRUE(innerRan);
  EXPECT_TRUE(currentInside);
  EXPECT_FALSE(otherCurrent);
  EXPECT_FALSE(queue->isCurrent());
}

TEST_F(QueueTest, ConcurrentQueueRunsBlocksInParallel) {
  auto queue = Queue::concurrent("test.concurrent");
  // Each block waits until both have started: only true parallelism lets both finish in time.
  std::atomic<int> started{0};
  std::atomic<int> metPartner{0};
  Group group;
  for (int i = 0; i < 2; ++i) {
    group.async(queue, [&] {
      started.fetch_add(1);
      auto until = std::chrono::steady_clock::now() + 5s;
      while (started.load() < 2 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
      if (started.load() == 2) metPartner.fetch_add(1);
    });
  }
  ASSERT_TRUE(group.wait(10000));
  EXPECT_EQ(metPartner.load(), 2);
}

TEST_F(QueueTest, PoolKeepsGoingWhenEveryWorkerWaitsForLaterBlocks) {
  // More waiting blocks than cores: the blocks they wait for still need a thread.
  unsigned waiters = std::max(2u, std::thread::hardware_concurrency()) + 2;
  Group inner;
  Group outer;
  inner.enter();
  for (unsigned i = 0; i < waiters; ++i) outer.async(Queue::global(), [&] { inner.wait(); });
  Queue::global()->async([&] { inner.leave(); });
  EXPECT_TRUE(outer.wait(10000));
}

TEST_F(QueueTest, GroupNotifiesOnceAfterEveryMember) {
  auto serial = Queue::serial("test.group.serial");
  auto concurrent = Queue::concurrent("test.group.concurrent");
  Group group;
  std::atomic<int> done{0};
  for (int i = 0; i < 100; ++i) {
    group.async(i % 2 ? serial : concurrent, [&] { done.fetch_add(1); });
  }
  group.enter();  // held open until the notify is registered
  std::atomic<int> seenAtNotify{-1};
  std::atomic<int> notifies{0};
  group.notify(Queue::main(), [&] {
    seenAtNotify = done.load();
    notifies.fetch_add(1);
  });
  group.leave();
  ASSERT_TRUE(eventually([&] { return notifies.load() > 0; }));
  MainLoop::runUntilIdle();
  EXPECT_EQ(seenAtNotify.load(), 100);
  EXPECT_EQ(notifies.load(), 1);

  // An empty group notifies at once.
  bool emptyNotified = false;
  Group empty;
  empty.notify(Queue::main(), [&] { emptyNotified = true; });
  MainLoop::runUntilIdle();
  EXPECT_TRUE(emptyNotified);
}

TEST_F(QueueTest, GroupWaitTimesOutWhileAMemberIsOutstandingAndUnbalancedLeaveIsIgnored) {
  vl::test::LogCapture log;
  Group group;
  group.leave();  // logged, and must not let the next member count as done
  group.enter();
  EXPECT_FALSE(group.wait(20));
  std::thread([&] { group.leave(); }).join();
  EXPECT_TRUE(group.wait(0));
  const auto lines = log.take();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("without a matching enter"), std::string::npos);
}

TEST_F(QueueTest, AThrowingBlockIsLoggedAndTheQueueCarriesOn) {
  vl::test::ProgramExceptionPolicy policy;
  vl::test::LogCapture log;
  auto queue = Queue::serial("test.serial.throw");
  Group group;
  group.async(queue, [] { throw std::runtime_error("boom"); });
  bool after = false;
  queue->async([&] { after = true; });
  EXPECT_TRUE(group.wait(5000));  // the group still drains
  queue->sync([] {});
  EXPECT_TRUE(after);
  const auto lines = log.take();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("test.serial.throw"), std::string::npos);
  EXPECT_NE(lines[0].find("boom"), std::string::npos);
}

TEST_F(QueueTest, SyncOntoMainFromMainRunsInline) {
  bool ran = false;
  Queue::main()->sync([&] {
    ran = true;
    Queue::main()->sync([] {});  // nested, still inline
  });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(Queue::main()->isCurrent());
}

TEST_F(QueueTest, WorkerSyncOntoMainCompletesWhileMainPumps) {
  auto queue = Queue::serial("test.worker.to.main");
  std::atomic<bool> done{false};
  std::atomic<bool> ranOnMain{false};
  queue->async([&] {
    EXPECT_FALSE(Queue::main()->isCurrent());
    Queue::main()->sync([&] { ranOnMain = MainLoop::isMainThread(); });
    done = true;
  });
  ASSERT_TRUE(eventually([&] { return done.load(); }));
  EXPECT_TRUE(ranOnMain);
}

TEST_F(QueueTest, MainThreadWaitingOnAWorkerThatNeedsMainDoesNotDeadlock) {
  auto queue = Queue::serial("test.main.waits");
  int value = 0;
  // The main thread waits in sync while the block needs the main queue.
  queue->sync([&] { Queue::main()->sync([&] { value = 1; }); });
  EXPECT_EQ(value, 1);

  Group group;
  group.async(queue, [&] { Queue::main()->sync([&] { value = 2; }); });
  EXPECT_TRUE(group.wait(5000));
  EXPECT_EQ(value, 2);
}

// The checks of every layer and the queues agree on which thread is the main one.
TEST_F(QueueTest, AdoptingAThreadMovesTheMainThreadForTheQueuesAndTheChecksAlike) {
  bool adoptedSeesMain = false, adoptedRunsMainInline = false;
  std::thread([&] {
    MainLoop::adoptCurrentThread();
    adoptedSeesMain = vl::isMainThread() && MainLoop::isMainThread();
    Queue::main()->sync([&] { adoptedRunsMainInline = true; });
  }).join();
  EXPECT_TRUE(adoptedSeesMain);
  EXPECT_TRUE(adoptedRunsMainInline);
  EXPECT_FALSE(vl::isMainThread());
  EXPECT_FALSE(MainLoop::isMainThread());
  MainLoop::adoptCurrentThread();
  EXPECT_TRUE(vl::isMainThread());
}

TEST_F(QueueTest, RunUntilIdleRunsWhatBlocksEnqueueAndCountsThem) {
  std::vector<int> order;
  Queue::main()->async([&] {
    order.push_back(1);
    Queue::main()->async([&] { order.push_back(3); });
  });
  Queue::main()->async([&] { order.push_back(2); });
  EXPECT_EQ(MainLoop::runUntilIdle(), 3u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(MainLoop::runUntilIdle(), 0u);
}

TEST_F(QueueTest, RunReturnsAfterStopFromAnotherThread) {
  std::atomic<int> ran{0};
  Queue::main()->async([&] { ran.fetch_add(1); });
  Queue::global()->async([&] {
    Queue::main()->sync([&] { ran.fetch_add(1); });
    MainLoop::stop();
  });
  MainLoop::run();
  EXPECT_EQ(ran.load(), 2);

  // A stop that comes before run() is not lost.
  MainLoop::stop();
  MainLoop::run();
}

TEST_F(QueueTest, DroppedSerialQueueStillRunsItsPendingBlocks) {
  std::atomic<int> ran{0};
  Group group;
  {
    auto queue = Queue::serial("test.serial.dropped");
    for (int i = 0; i < 10; ++i) group.async(queue, [&] { ran.fetch_add(1); });
  }
  EXPECT_TRUE(group.wait(5000));
  EXPECT_EQ(ran.load(), 10);
}

// Quitting runs a chain that crosses every kind of queue to its end (a timer left armed does not fire),
// leaves no worker thread behind, drops what comes later, and a reopen brings the queues back.
TEST_F(QueueTest, ShutdownRunsEveryQueuedChainToItsEndThenJoinsEveryThread) {
  auto serial = Queue::serial("test.serial.quit");
  std::mutex mu;
  std::vector<std::string> ran;
  auto note = [&](const char* what) {
    std::lock_guard<std::mutex> lock(mu);
    ran.push_back(what);
  };
  auto timer = after(3600 * 1000.0, serial, [&] { note("timer"); });
  serial->async([&] {
    note("serial");
    Queue::global()->async([&] {
      note("pool");
      Queue::main()->async([&] {
        note("main");
        serial->async([&] { note("serial again"); });
      });
    });
  });
  vl::test::LogCapture log;
  ASSERT_TRUE(MainLoop::shutdown(30000));
  EXPECT_EQ(ran, (std::vector<std::string>{"serial", "pool", "main", "serial again"}));
  EXPECT_EQ(MainLoop::workerThreadCount(), 0u);

  serial->async([&] { note("late"); });
  Queue::global()->async([&] { note("late"); });
  EXPECT_TRUE(log.contains("takes no more blocks"));
  serial->sync([&] { note("sync runs on the caller"); });
  EXPECT_EQ(ran.back(), "sync runs on the caller");

  MainLoop::reopen();
  timer->cancel();
  serial->sync([&] { note("reopened"); });
  EXPECT_EQ(ran.back(), "reopened");
  EXPECT_EQ(std::count(ran.begin(), ran.end(), "late"), 0);
}

}  // namespace
}  // namespace vl::dispatch
