#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "CaptureTestSupport.h"
#include "core/VLNotificationCenter.h"

namespace vl::testing {
namespace {

// The poll alone: when it announces a change, from which queue, and what it leaves alone.
class PasteboardPollingTest : public CaptureFixture {
 protected:
  void SetUp() override {
    CaptureFixture::SetUp();
    VLNotificationCenter::addObserver(
        this,
        [this](const Notification&) {
          std::lock_guard lock(mutex_);
          posts_.push_back({clock_->monotonicMs(), PasteboardPolling::pasteboardDealingQueue()->isCurrent()});
        },
        PasteboardPolling::kPasteboardDidChange);
  }
  void TearDown() override {
    VLNotificationCenter::removeObserver(this);
    CaptureFixture::TearDown();
  }

  struct Post {
    double atMs;
    bool onCaptureQueue;
  };
  std::vector<Post> posts() {
    std::lock_guard lock(mutex_);
    return posts_;
  }

  std::mutex mutex_;
  std::vector<Post> posts_;
};

TEST_F(PasteboardPollingTest, EachChangeIsAnnouncedOnceFromTheCaptureQueueAtTheNextTick) {
  board_->setStringFromOtherApplication("there before the poll");
  poll_ = std::make_unique<PasteboardPolling>(board_);
  const double start = clock_->monotonicMs();
  wait(1000);
  EXPECT_TRUE(posts().empty());

  wait(30);
  board_->setStringFromOtherApplication("one");
  board_->setStringFromOtherApplication("two");  // both within one interval: one announcement
  wait(1000);
  ASSERT_EQ(posts().size(), 1u);
  EXPECT_EQ(posts()[0].atMs - start, 1100);
  EXPECT_TRUE(posts()[0].onCaptureQueue);
  EXPECT_FALSE(poll_->newPaste());
}

}  // namespace
}  // namespace vl::testing
