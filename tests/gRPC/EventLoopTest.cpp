#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "gRPC/Client/ClientCalls.h"
#include "gRPC/Common/EventLoop.h"

namespace {

using vl::EventLoop;

std::unique_ptr<EventLoop> makeLoop() {
  return std::make_unique<EventLoop>(std::make_unique<grpc::CompletionQueue>(), "vl-test-loop");
}

// Holds the loop thread inside a posted block until released, so work can pile up behind it.
class Blocker {
 public:
  void hold(EventLoop& loop) {
    ASSERT_TRUE(loop.post([this] {
      std::unique_lock<std::mutex> lock(mutex_);
      entered_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
    }));
    std::unique_lock<std::mutex> lock(mutex_);
    ASSERT_TRUE(changed_.wait_for(lock, std::chrono::seconds(20), [this] { return entered_; }));
  }
  void release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool released_ = false;
};

TEST(EventLoop, BlocksFromManyThreadsRunOnceEachOnTheLoopInTheOrderEachThreadPostedThem) {
  auto loop = makeLoop();
  constexpr int kThreads = 4;
  constexpr int kBlocks = 200;
  std::vector<std::vector<int>> seen(kThreads);  // touched on the loop thread only
  std::atomic<int> offLoop{0};
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kBlocks; ++i) {
        EXPECT_TRUE(loop->post([&, t, i] {
          if (!loop->isCurrent()) ++offLoop;
          seen[t].push_back(i);
        }));
      }
    });
  }
  for (auto& poster : posters) poster.join();
  loop->shutdownAndJoin();
  EXPECT_EQ(offLoop, 0);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kBlocks));
    for (int i = 0; i < kBlocks; ++i) EXPECT_EQ(seen[t][i], i);
  }
}

TEST(EventLoop, ABlockTakenBeforeShutdownStillRunsAndLaterOnesAreRefused) {
  auto loop = makeLoop();
  Blocker blocker;
  blocker.hold(*loop);
  bool ran = false;
  bool began = true;
  ASSERT_TRUE(loop->post([&] {
    ran = true;
    began = loop->begin([](grpc::CompletionQueue*) {});
  }));
  loop->shutdown();
  EXPECT_FALSE(loop->post([] { ADD_FAILURE() << "a block posted after shutdown ran"; }));
  blocker.release();
  loop->shutdownAndJoin();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(began) << "an operation was started on a queue that was shutting down";
}

// A call handed to the loop that shuts down before the call's turn still ends, once, as cancelled.
TEST(EventLoop, ACallWhoseLoopShutsDownBeforeItStartsEndsOnceAsCancelled) {
  auto loop = makeLoop();
  auto connection = std::make_shared<vl::ClientConnection>("127.0.0.1:1");
  Blocker blocker;
  blocker.hold(*loop);
  std::promise<grpc::Status> ended;
  int ends = 0;
  syncnetwork::AuthRequest request;
  const vl::clientcalls::StartResult started = vl::clientcalls::auth(
      *loop, connection, request, 5, [&](const grpc::Status& status, const syncnetwork::AuthResponse&) {
        if (++ends == 1) ended.set_value(status);
      });
  ASSERT_TRUE(started.empty()) << started;
  loop->shutdown();
  blocker.release();
  loop->shutdownAndJoin();
  const grpc::Status status = ended.get_future().get();
  EXPECT_EQ(status.error_code(), grpc::StatusCode::CANCELLED);
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(connection->waitIdle(0)) << "the call never left its connection";
}

}  // namespace
