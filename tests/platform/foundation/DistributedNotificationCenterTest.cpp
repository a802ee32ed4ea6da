#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/Files.h"

using vl::DistributedNotification;
using vl::DistributedNotificationCenter;

namespace {

const auto kDirect = [](std::function<void()> f) { f(); };

// Notifications received on the centre's thread, waited for with a generous real-time deadline (the
// other side is a separate process, so there is no clock to advance).
class Inbox {
 public:
  void add(const DistributedNotification& n) {
    std::lock_guard<std::mutex> lock(mutex_);
    notes_.push_back(n);
    cv_.notify_all();
  }
  bool waitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(10), [&] { return notes_.size() >= count; });
  }
  std::vector<DistributedNotification> notes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return notes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<DistributedNotification> notes_;
};

TEST(DistributedNotificationCenter, TwoProcessesExchangeNotifications) {
  vl::test::TempDir dir;
  const std::string folder = dir / "dnc";
  // The child is forked while this process still runs a single thread: a child forked from a process
  // with a receiving thread may inherit a lock that thread held (the allocator's, under a sanitizer).
  int go[2], ready[2];
  ASSERT_EQ(::pipe(go), 0);
  ASSERT_EQ(::pipe(ready), 0);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(go[1]);
    ::close(ready[0]);
    char start = 0;
    if (::read(go[0], &start, 1) != 1) ::_exit(4);
    DistributedNotificationCenter child(folder);
    child.setDeliveryExecutor(kDirect);
    Inbox hello;
    child.addObserver("hello", "", [&](const DistributedNotification& n) {
      (void)child.post("ack", "child:" + n.sender);
      hello.add(n);  // only after the ack is out: the child exits as soon as this is seen
    });
    // Only the last of these passes the parent's filter on name and sender.
    (void)child.post("VELLISTO_pref_update_1", "some.other.app");
    (void)child.post("VELLISTO_pref_update_2", "com.norrak.vellisto.pref.pro");
    (void)child.post("VELLISTO_pref_update_1", "com.norrak.vellisto.pref.pro");
    char byte = 1;
    if (::write(ready[1], &byte, 1) != 1) ::_exit(3);
    ::_exit(hello.waitFor(1) ? 0 : 2);
  }
  ::close(go[0]);
  DistributedNotificationCenter center(folder);
  center.setDeliveryExecutor(kDirect);
  Inbox prefUpdates, acks;
  center.addObserver("VELLISTO_pref_update_1", "com.norrak.vellisto.pref.pro",
                     [&](const DistributedNotification& n) { prefUpdates.add(n); });
  center.addObserver("ack", "", [&](const DistributedNotification& n) { acks.add(n); });
  char start = 1;
  ASSERT_EQ(::write(go[1], &start, 1), 1);
  ::close(go[1]);

  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);

  ASSERT_TRUE(prefUpdates.waitFor(1));
  EXPECT_TRUE(center.post("hello", "parent"));
  ASSERT_TRUE(acks.waitFor(1));
  EXPECT_EQ(acks.notes()[0].sender, "child:parent");
  // By now the filtered-out posts, sent before the matching one, have long been read.
  ASSERT_EQ(prefUpdates.notes().size(), 1u);
  EXPECT_EQ(prefUpdates.notes()[0].name, "VELLISTO_pref_update_1");
  EXPECT_EQ(prefUpdates.notes()[0].sender, "com.norrak.vellisto.pref.pro");

  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // The child ended without closing its centre; the next post finds its socket refusing and removes it.
  EXPECT_EQ(vl::files::listDirectory(folder).names.size(), 2u);
  EXPECT_TRUE(center.post("after-child", "parent"));
  EXPECT_EQ(vl::files::listDirectory(folder).names.size(), 1u);
}

TEST(DistributedNotificationCenter, StaleSocketIsRemovedAndGarbageIsDropped) {
  vl::test::TempDir dir;
  const std::string folder = dir / "dnc";
  DistributedNotificationCenter center(folder);
  center.setDeliveryExecutor(kDirect);
  Inbox inbox;
  center.addObserver("", "", [&](const DistributedNotification& n) { inbox.add(n); });

  auto address = [](const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    return addr;
  };
  // A socket left behind by a process that died without cleaning up, and a datagram that is not ours
  // sent straight to the centre's socket.
  const std::string stale = folder + "/12345-dead.sock";
  sockaddr_un addr = address(stale);
  int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  vl::test::LogCapture logs;
  addr = address(center.socketPath());
  ASSERT_GT(::sendto(fd, "hello there", 11, 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::close(fd);

  EXPECT_TRUE(center.post("after-junk", "me"));
  ASSERT_TRUE(inbox.waitFor(1));
  EXPECT_EQ(inbox.notes()[0].name, "after-junk");
  EXPECT_FALSE(vl::files::exists(stale));
  EXPECT_TRUE(vl::test::LogCapture::contains("not a notification"));

  EXPECT_FALSE(center.post("bad\nname", "me"));
  EXPECT_FALSE(center.post(std::string(5000, 'x'), "me"));
}

// A centre without an executor of its own delivers through the installed default (start-up's main
// queue), read when the datagram arrives; with none installed, on its receiving thread.
TEST(DistributedNotificationCenter, DeliversThroughTheDefaultExecutorElseOnItsThread) {
  vl::test::TempDir dir;
  vl::dispatch::MainLoop::adoptCurrentThread();
  DistributedNotificationCenter center(dir / "dnc");
  std::atomic<int> heard{0};
  std::atomic<bool> onMain{false};
  center.addObserver("n", "", [&](const DistributedNotification&) {
    onMain = vl::dispatch::MainLoop::isMainThread();
    ++heard;
  });
  for (bool installed : {false, true}) {
    SCOPED_TRACE(installed ? "main queue installed" : "nothing installed");
    if (installed) {
      DistributedNotificationCenter::setDefaultDeliveryExecutor(
          [](std::function<void()> f) { vl::dispatch::Queue::main()->async(std::move(f)); });
    }
    const int before = heard;
    ASSERT_TRUE(center.post("n", "me"));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (heard == before && std::chrono::steady_clock::now() < deadline) {
      vl::dispatch::MainLoop::runUntilIdle();
      std::this_thread::yield();
    }
    EXPECT_EQ(heard, before + 1);
    EXPECT_EQ(onMain, installed);
  }
  DistributedNotificationCenter::setDefaultDeliveryExecutor(nullptr);
}

TEST(DistributedNotificationCenter, RemovedObserverIsNotCalledForQueuedDelivery) {
  vl::test::TempDir dir;
  std::vector<std::function<void()>> queued;
  std::mutex m;
  std::condition_variable cv;
  DistributedNotificationCenter center(dir / "dnc");
  center.setDeliveryExecutor([&](std::function<void()> f) {
    std::lock_guard<std::mutex> lock(m);
    queued.push_back(std::move(f));
    cv.notify_all();
  });
  int heard = 0;
  auto id = center.addObserver("n", "", [&](const DistributedNotification&) { ++heard; });
  ASSERT_TRUE(center.post("n", "me"));
  {
    std::unique_lock<std::mutex> lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return !queued.empty(); }));
  }
  center.removeObserver(id);
  queued[0]();
  EXPECT_EQ(heard, 0);
}

}  // namespace
