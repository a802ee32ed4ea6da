#include <gtest/gtest.h>

#include "DiscoveryTestSupport.h"
#include "gRPC/NetworkMonitor.h"
#include "support/NetworkPathFake.h"
#include "support/TestSupport.h"
#include "sync/discovery/IFConfig.h"

namespace vl {
namespace {

TEST(IFConfig, TheSyncInterfaceGivesTheAddressUntilItsPathGoes) {
  dispatch::MainLoop::adoptCurrentThread();
  test::LogCapture log;
  test::ScopedEnv iface("VELLISTO_SYNC_IFACE", "lo");
  auto path = std::make_shared<test::NetworkPathFake>();
  test::NetworkPathFake::Installation installed(path);
  bool barOn = true;
  int alerts = 0;
  IFConfig config;
  config.setSyncBarHooks({[&] { return barOn; }, [&] { ++alerts; }});
  ASSERT_TRUE(path->started());
  EXPECT_EQ(config.status(), -1);
  EXPECT_EQ(config.localIP(), "127.0.0.1");
  EXPECT_TRUE(log.contains("local IP：127.0.0.1"));
  // Cached: an interface that changes under it is not read again while the path holds.
  iface.set("VELLISTO_SYNC_IFACE", "vl-absent0");
  EXPECT_EQ(config.localIP(), "127.0.0.1");

  // Each step: a report, then what status and the alerts are once the main thread has handled it.
  struct Step {
    NetworkPathStatus report;
    bool barOn;
    std::int64_t status;
    int alerts;
  };
  const Step steps[] = {
      {NetworkPathStatus::Unsatisfied, true, 0, 1},  // the first report counts, even "not usable"
      {NetworkPathStatus::Unsatisfied, true, 0, 1},  // a repeat does nothing
      {NetworkPathStatus::Satisfied, true, 1, 1},
      {NetworkPathStatus::Unsatisfied, false, 0, 1},  // bar off: only the address goes
      {NetworkPathStatus::Satisfied, true, 1, 1},
      {NetworkPathStatus::Unsatisfied, true, 0, 2},
  };
  int handled = 0;
  Observation counter = NotificationCenter::defaultCenter().observe(
      kNetworkMonitorPathStatusChanged, nullptr,
      [&](const Notification&) { dispatch::Queue::main()->async([&] { ++handled; }); });
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    barOn = steps[i].barOn;
    ASSERT_TRUE(path->report(steps[i].report));
    // The config's block was queued before the counter's, so it has run too.
    ASSERT_TRUE(test::runMainUntil([&] { return handled == static_cast<int>(i) + 1; }));
    EXPECT_EQ(config.status(), steps[i].status);
    EXPECT_EQ(alerts, steps[i].alerts);
  }
  // The address went with the path; the next read sees the interface as it is now.
  EXPECT_EQ(config.localIP(), std::nullopt);
  EXPECT_TRUE(log.contains("network disconnected."));
  EXPECT_TRUE(log.contains("network connected."));
}

}  // namespace
}  // namespace vl
