#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SyncTestSupport.h"
#include "gRPC/NetworkMonitor.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/net/NetworkPathInterface.h"
#include "support/NetworkPathFake.h"

namespace {

using vl::Json;
using vl::NetworkPathStatus;

TEST(NetworkMonitor, PostsEachSatisfiedOrUnsatisfiedReport) {
  auto fake = std::make_shared<vl::test::NetworkPathFake>();
  vl::test::NetworkPathFake::Installation installed(fake);
  vl::test::Replies posts;  // each post's user info, waited for in order
  vl::Observation observation = vl::NotificationCenter::defaultCenter().observe(
      vl::kNetworkMonitorPathStatusChanged, nullptr,
      [note = posts.callback()](const vl::Notification& n) { note(n.userInfo); });
  vl::NetworkMonitor monitor;
  EXPECT_FALSE(fake->report(NetworkPathStatus::Satisfied));  // not started: nothing flows

  monitor.start();
  ASSERT_TRUE(fake->started());
  // A path that needs a connection first is not told; repeats are.
  for (auto status :
       {NetworkPathStatus::Satisfied, NetworkPathStatus::RequiresConnection, NetworkPathStatus::Unsatisfied,
        NetworkPathStatus::Satisfied, NetworkPathStatus::Satisfied}) {
    ASSERT_TRUE(fake->report(status));
  }
  for (int expected : {1, 0, 1, 1}) {
    const Json post = posts.next();
    EXPECT_EQ(post, (Json{{"status", expected}}));
    EXPECT_TRUE(post["status"].is_number_integer());
  }

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
  using Info = vl::NetworkInterfaceInfo;  // name, up, loopback, wireless, ipv4
  const std::vector<Info> table = {
      {"lo", true, true, false, "127.0.0.1"},
      {"eth0", true, false, false, "10.0.0.2"},
      {"wlan0", false, false, true, ""},
      {"wlan1", true, false, true, "192.168.1.5"},
  };
  struct Case {
    std::vector<Info> interfaces;
    const char* override;
    const char* chosen;  // nullptr: none
    NetworkPathStatus status;
  };
  Info routed{"eth2", true, false, false, "10.1.0.9"};
  routed.defaultRoute = true;
  const std::vector<Case> cases = {
      {table, "", "wlan0", NetworkPathStatus::Unsatisfied},  // the first wireless one, even when down
      {{table[0], table[2], routed}, "", "eth2", NetworkPathStatus::Satisfied},  // the default route first
      {{table[0], routed}, "lo", "lo", NetworkPathStatus::Satisfied},
      {table, "wlan1", "wlan1", NetworkPathStatus::Satisfied},
      {table, "eth0", "eth0", NetworkPathStatus::Satisfied},
      {table, "usb9", "usb9", NetworkPathStatus::Unsatisfied},  // named but absent
      {{table[0], table[1]}, "", "eth0", NetworkPathStatus::Satisfied},
      {{table[0], Info{"eth1", true, false, false, ""}}, "", nullptr, NetworkPathStatus::Unsatisfied},
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

  const std::string header =
      "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\tMTU\tWindow\tIRTT\n";
  const struct {
    std::string table;
    const char* routed;
  } routes[] = {
      {header, ""},
      {header + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n", "eth0"},
      {header + "wlan0\t00000000\t01A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n",
       "eth0"},                                                                       // the lower metric
      {header + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", ""},  // not a default
      {header + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n", ""},  // not up
      {header + "garbage\n\t\t\n" + std::string(5000, 'x') + "\n", ""},
  };
  for (const auto& r : routes) EXPECT_EQ(vl::defaultRouteInterface(r.table), r.routed);

  bool sawLoopback = false;
  for (const auto& info : vl::networkInterfaces()) {
    if (info.name == "lo") {
      sawLoopback = info.loopback && info.ipv4 == "127.0.0.1";
    }
  }
  EXPECT_TRUE(sawLoopback);
}

}  // namespace
