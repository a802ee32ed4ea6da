#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <vector>

#include "CaptureTestSupport.h"
#include "core/notify/VLNotificationCenter.h"

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

// The general pasteboard as capture sees it, counting what is asked of it.
class CountingBoard final : public Pasteboard {
 public:
  explicit CountingBoard(std::shared_ptr<HeadlessPasteboard> board) : board_(std::move(board)) {}
  long long changeCount() const override {
    ++countReads;
    return board_->changeCount();
  }
  std::vector<PasteboardItem> items() const override {
    ++itemReads;
    return board_->items();
  }
  long long clearContents() override { return board_->clearContents(); }
  bool writeObjects(const std::vector<PasteboardItem>& items) override { return board_->writeObjects(items); }
  bool observeChanges(ChangeObserver observer) override {
    return board_->observeChanges(std::move(observer));
  }
  mutable std::atomic<int> countReads{0};
  mutable std::atomic<int> itemReads{0};

 private:
  std::shared_ptr<HeadlessPasteboard> board_;
};

// A pasteboard that tells of its changes: each copy is read as it comes, however close the next one
// follows; a copy in a blocked application is not even read; and nothing at all runs while nobody copies.
TEST_F(PasteboardPollingTest, AnnouncedChangesAreEachReadAsTheyComeAndIdleCostsNothing) {
  board_->setAnnouncesChanges(true);
  auto counting = std::make_shared<CountingBoard>(board_);
  Pasteboard::install(counting);
  poll_ = std::make_unique<PasteboardPolling>(counting);
  ASSERT_TRUE(poll_->isEventDriven());
  auto settle = [] {
    PasteboardPolling::pasteboardReadingQueue()->sync([] {});
    PasteboardPolling::pasteboardDealingQueue()->sync([] {});
  };
  // A copy made while the program starts, before capture listens, is read once it does.
  board_->setStringFromOtherApplication("copied while starting");
  settle();
  listener_ = std::make_unique<ClipboardListener>(*merging_, *monitor_);
  settle();
  std::vector<std::string> copied = {"copied while starting"};
  EXPECT_EQ(texts(), copied);

  // Five copies, the clock standing still: each is read while it is on the pasteboard.
  for (int i = 0; i < 5; ++i) {
    copied.push_back("quick copy " + std::to_string(i));
    board_->setStringFromOtherApplication(copied.back());
    PasteboardPolling::pasteboardReadingQueue()->sync([] {});
  }
  settle();
  EXPECT_EQ(texts(), copied);

  // A copy replaced before its turn came is gone from the pasteboard: it is passed by, never read as
  // the copy that replaced it.
  std::promise<void> release;
  PasteboardPolling::pasteboardReadingQueue()->async([gate = release.get_future().share()] { gate.wait(); });
  board_->setStringFromOtherApplication("replaced at once");
  board_->setStringFromOtherApplication("the one after it");
  release.set_value();
  settle();
  copied.push_back("the one after it");
  EXPECT_EQ(texts(), copied);
  EXPECT_TRUE(LogCapture::containsPrefix("capture: change"));

  const int countReads = counting->countReads.load(), itemReads = counting->itemReads.load();
  wait(60000);
  EXPECT_EQ(counting->countReads.load(), countReads);

  workspace_->setFrontmostApplication(
      RunningApplication::fromDesktopEntry("/usr/share/applications/org.keepassxc.KeePassXC.desktop", true));
  board_->setStringFromOtherApplication("a password");
  settle();
  EXPECT_EQ(counting->itemReads.load(), itemReads);
  EXPECT_EQ(texts(), copied);
  EXPECT_EQ(LogCapture::count("copiedFromSecurityApp"), 1);

  // The program's own write of several records is skipped as before, and capture goes on after it.
  workspace_->setFrontmostApplication(std::nullopt);
  listener_->setMultiplePaste(true);
  counting->clearContents();
  counting->writeObjects({PasteboardItem(kPasteboardTypeString, "one\ntwo")});
  board_->setStringFromOtherApplication("after the paste");
  settle();
  copied.push_back("after the paste");
  EXPECT_EQ(texts(), copied);
  EXPECT_FALSE(listener_->multiplePaste());
}

}  // namespace
}  // namespace vl::test
