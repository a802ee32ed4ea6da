#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "gRPC/NetworkMonitor.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/NetworkPathFake.h"
#include "platform/system/NetworkPathInterface.h"

namespace {

using vl::Json;
using vl::NetworkPathStatus;

// Collects "kNetworkMonitorPathStatusChanged" posts.
class Posts {
 public:
  Posts()
      : observation_(vl::NotificationCenter::defaultCenter().observe(
            vl::kNetworkMonitorPathStatusChanged, nullptr, [this](const vl::Notification& note) {
              std::lock_guard<std::mutex> lock(mutex_);
              statuses_.push_back(note.userInfo);
              senders_.push_back(note.object);
              changed_.notify_all();
            })) {}

  bool waitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return statuses_.size() >= count; });
  }
  std::vector<Json> statuses() {
    std::lock_guard<std::mutex> lock(mutex_);
    return statuses_;
  }
  std::vector<const void*> senders() {
    std::lock_guard<std::mutex> lock(mutex_);
    return senders_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Json> statuses_;
  std::vector<const void*> senders_;
  vl::Observation observation_;
};

TEST(NetworkMonitor, PostsEachSatisfiedOrUnsatisfiedReport) {
  auto fake = std::make_shared<vl::NetworkPathFake>();
  vl::NetworkPathFake::Installation installed(fake);
  Posts posts;
  vl::NetworkMonitor monitor;
  EXPECT_FALSE(fake->report(NetworkPathStatus::Satisfied));  // not started: nothing flows

  monitor.start();
  ASSERT_TRUE(fake->started());
  ASSERT_TRUE(fake->report(NetworkPathStatus::Satisfied));
  ASSERT_TRUE(fake->report(NetworkPathStatus::Unsatisfied));
  ASSERT_TRUE(fake->report(NetworkPathStatus::RequiresConnection));
  ASSERT_TRUE(fake->report(NetworkPathStatus::Satisfied));
  ASSERT_TRUE(fake->report(NetworkPathStatus::Satisfied));  // repeats are posted too
  ASSERT_TRUE(posts.waitFor(4));
  const std::vector<Json> expected = {Json{{"status", 1}}, Json{{"status", 0}}, Json{{"status", 1}},
                                      Json{{"status", 1}}};
  EXPECT_EQ(posts.statuses(), expected);
  EXPECT_TRUE(posts.statuses()[0]["status"].is_number_integer());
  for (const void* sender : posts.senders()) EXPECT_EQ(sender, nullptr);

  monitor.stop();
  EXPECT_TRUE(fake->cancelled());
  EXPECT_FALSE(fake->report(NetworkPathStatus::Unsatisfied));
}

TEST(NetworkPathPoller, ReportsTheFirstPathAndThenOnlyChanges) {
  auto clock = std::make_shared<vl::ManualClock>();
  vl::Clock::install(clock);
  vl::dispatch::MainLoop::adoptCurrentThread();
  NetworkPathStatus current = NetworkPathStatus::Satisfied;
  std::vector<NetworkPathStatus> reports;
  auto poller = std::make_shared<vl::NetworkPathPoller>([&] { return current; }, 1000);
  poller->setUpdateHandler([&](NetworkPathStatus status) { reports.push_back(status); });
  poller->start(vl::dispatch::Queue::main());

  vl::dispatch::MainLoop::advance(0);
  EXPECT_EQ(reports, std::vector<NetworkPathStatus>{NetworkPathStatus::Satisfied});
  vl::dispatch::MainLoop::advance(3000);  // unchanged: silent
  EXPECT_EQ(reports.size(), 1u);
  current = NetworkPathStatus::Unsatisfied;
  vl::dispatch::MainLoop::advance(1000);
  current = NetworkPathStatus::Satisfied;
  vl::dispatch::MainLoop::advance(1000);
  EXPECT_EQ(reports,
            (std::vector<NetworkPathStatus>{NetworkPathStatus::Satisfied, NetworkPathStatus::Unsatisfied,
                                            NetworkPathStatus::Satisfied}));
  poller->cancel();
  current = NetworkPathStatus::Unsatisfied;
  vl::dispatch::MainLoop::advance(5000);
  EXPECT_EQ(reports.size(), 3u);
  vl::Clock::install(nullptr);
}

TEST(NetworkPathInterface, TheSyncInterfaceIsChosenInOrder) {
  auto iface = [](const char* name, bool up, bool loopback, bool wireless, const char* ipv4) {
    vl::NetworkInterfaceInfo info;
    info.name = name;
    info.up = up;
    info.loopback = loopback;
    info.wireless = wireless;
    info.ipv4 = ipv4;
    return info;
  };
  const std::vector<vl::NetworkInterfaceInfo> table = {
      iface("lo", true, true, false, "127.0.0.1"),
      iface("eth0", true, false, false, "10.0.0.2"),
      iface("wlan0", false, false, true, ""),
      iface("wlan1", true, false, true, "192.168.1.5"),
  };
  struct Case {
    std::vector<vl::NetworkInterfaceInfo> interfaces;
    const char* override;
    const char* chosen;  // nullptr: none
    NetworkPathStatus status;
  };
  const std::vector<Case> cases = {
      {table, "", "wlan0", NetworkPathStatus::Unsatisfied},  // the first wireless one, even when down
      {table, "wlan1", "wlan1", NetworkPathStatus::Satisfied},
      {table, "eth0", "eth0", NetworkPathStatus::Satisfied},
      {table, "usb9", "usb9", NetworkPathStatus::Unsatisfied},  // named but absent
      {{table[0], table[1]}, "", "eth0", NetworkPathStatus::Satisfied},
      {{table[0], iface("eth1", true, false, false, "")}, "", nullptr, NetworkPathStatus::Unsatisfied},
      {{}, "", nullptr, NetworkPathStatus::Unsatisfied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.override) + " -> " + (c.chosen ? c.chosen : "none"));
    const auto chosen = vl::chooseSyncInterface(c.interfaces, c.override);
    ASSERT_EQ(chosen.has_value(), c.chosen != nullptr);
    if (chosen) {
      EXPECT_EQ(chosen->name, c.chosen);
    }
    EXPECT_EQ(vl::pathStatusOf(chosen), c.status);
  }

  bool sawLoopback = false;
  for (const auto& info : vl::networkInterfaces()) {
    if (info.name == "lo") {
      sawLoopback = info.loopback && info.ipv4 == "127.0.0.1";
    }
  }
  EXPECT_TRUE(sawLoopback);
}

}  // namespace
