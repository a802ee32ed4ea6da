#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "CaptureTestSupport.h"
#include "core/VLNotificationCenter.h"

namespace vl::test {
namespace {

using PasteboardPollingTest = CaptureFixture;

// The poll alone: when it announces a change, from which queue, and what it leaves alone.
TEST_F(PasteboardPollingTest, EachChangeIsAnnouncedOnceFromTheCaptureQueueAtTheNextTick) {
  struct Post {
    double atMs;
    bool onCaptureQueue;
  };
  std::mutex mutex;
  std::vector<Post> posts;
  auto taken = [&] {
    std::lock_guard lock(mutex);
    return posts;
  };
  VLNotificationCenter::addObserver(
      this,
      [&](const Notification&) {
        std::lock_guard lock(mutex);
        posts.push_back({clock_->monotonicMs(), PasteboardPolling::pasteboardDealingQueue()->isCurrent()});
      },
      PasteboardPolling::kPasteboardDidChange);
  board_->setStringFromOtherApplication("there before the poll");
  poll_ = std::make_unique<PasteboardPolling>(board_);
  const double start = clock_->monotonicMs();
  wait(1000);
  EXPECT_TRUE(taken().empty());

  wait(30);
  board_->setStringFromOtherApplication("one");
  board_->setStringFromOtherApplication("two");  // both within one interval: one announcement
  wait(1000);
  EXPECT_FALSE(poll_->newPaste());
  poll_.reset();
  VLNotificationCenter::removeObserver(this);
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].atMs - start, 1100);
  EXPECT_TRUE(posts[0].onCaptureQueue);
}

}  // namespace
}  // namespace vl::test
