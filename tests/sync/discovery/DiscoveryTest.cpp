#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

#include "DiscoveryTestSupport.h"
#include "core/VLDevice.h"
#include "platform/foundation/Text.h"
#include "platform/system/DesktopBackends.h"
#include "platform/system/bluetooth/BlueZStack.h"
#include "support/RequiredDesktop.h"
#include "support/SessionBusTestSupport.h"
#include "support/StandInBlueZ.h"
#include "support/TestSupport.h"
#include "sync/discovery/Bluetooth.h"
#include "sync/discovery/CentralRole.h"
#include "sync/discovery/CharacteristicValueBean.h"
#include "sync/discovery/PeripheralRole.h"

namespace vl {
namespace {

using bluetooth::BlueZStack;
using dbustest::StandInBlueZ;

struct Provider : PeripheralRoleDelegate {
  bool peripheralRoleDidStartAdvertising(PeripheralRole&) override {
    ++started;
    return true;
  }
  bool peripheralRoleDidFailToAdvertise(PeripheralRole&, const std::string& error) override {
    failures.push_back(error);
    return true;
  }
  int started = 0;
  std::vector<std::string> failures;
};

struct Joiner : CentralRoleDelegate {
  bool centralRoleDidStartDiscover(CentralRole&) override {
    ++discovered;
    return true;
  }
  bool centralRole(CentralRole&, const CharacteristicValueBean& network) override {
    networks.push_back(network);
    return true;
  }
  int discovered = 0;
  std::vector<CharacteristicValueBean> networks;
};

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (bus_.address().empty()) VL_SKIP_WITHOUT_DESKTOP(bus_.skipReason());
    dispatch::MainLoop::adoptCurrentThread();
    PeripheralRole::setServedNetworkSource([] {
      return PeripheralRole::ServedNetwork{"5C1D2A3B-0000-4000-8000-00000000CAFE", "Office"};
    });
  }
  void TearDown() override { PeripheralRole::setServedNetworkSource(nullptr); }

  // Starts providing and waits until the stand-in holds the application and the advertisement.
  void provide(PeripheralRole& role, StandInBlueZ& bluez, int started) {
    role.setDelegate(provider_);
    role.startProvide();
    ASSERT_TRUE(test::runMainUntil([&] {
      const auto seen = bluez.seen();
      return provider_->started == started && seen.applications == 1 && seen.advertisements == 1;
    }));
  }

  test::ScopedEnv env_{"VELLISTO_SYNC_IFACE", "lo"};
  test::ScopedEnv port_{"VELLISTO_SYNC_PORT", std::nullopt};
  dbustest::PrivateSessionBus bus_;
  std::shared_ptr<Provider> provider_ = std::make_shared<Provider>();
};

// Many adapters cannot advertise: the serving side hears of it, so the user can be told that nobody will
// find the network.
TEST_F(DiscoveryTest, AnAdvertisementTheAdapterRefusesIsReportedToTheServingSide) {
  StandInBlueZ::Options options;
  options.canAdvertise = false;
  StandInBlueZ bluez(bus_.address(), options);
  ASSERT_TRUE(bluez.ready());
  PeripheralRole peripheral(BlueZStack::create(bus_.address()));
  peripheral.setDelegate(provider_);
  peripheral.startProvide();
  ASSERT_TRUE(test::runMainUntil([&] { return !provider_->failures.empty(); }));
  EXPECT_NE(provider_->failures[0].find("Failed to register advertisement"), std::string::npos)
      << provider_->failures[0];
  EXPECT_EQ(bluez.seen().advertisements, 0);
  peripheral.stopProvide();
}

TEST_F(DiscoveryTest, ACentralOnAnotherConnectionFindsThePeripheralAndReadsItsValue) {
  StandInBlueZ bluez(bus_.address());
  ASSERT_TRUE(bluez.ready());
  PeripheralRole peripheral(BlueZStack::create(bus_.address()));
  provide(peripheral, bluez, 1);
  auto seen = bluez.seen();
  EXPECT_TRUE(seen.refusals.empty()) << seen.refusals.front();
  EXPECT_EQ(seen.advertisementType, "peripheral");
  EXPECT_EQ(seen.advertisedUUIDs, std::vector<std::string>{lowercase(kSyncServiceUUID)});
  EXPECT_FALSE(seen.advertisedLocalName);

  CentralRole central(BlueZStack::create(bus_.address()));
  auto joiner = std::make_shared<Joiner>();
  central.setDelegate(joiner);
  central.startScan();
  ASSERT_TRUE(
      test::runMainUntil([&] { return joiner->networks.size() == 1 && bluez.seen().connected == 0; }));
  EXPECT_EQ(joiner->discovered, 1);
  const CharacteristicValueBean network = joiner->networks[0];
  EXPECT_EQ(network.ip(), "127.0.0.1");
  EXPECT_EQ(network.port(), 21900);
  EXPECT_EQ(network.networkId(), "5C1D2A3B-0000-4000-8000-00000000CAFE");
  EXPECT_EQ(network.networkName(), "Office");
  EXPECT_EQ(network.deviceName(), VLDevice::name());

  seen = bluez.seen();
  EXPECT_EQ(seen.filterUUIDs, std::vector<std::string>{lowercase(kSyncServiceUUID)});
  EXPECT_EQ(seen.filterTransport, "le");
  // Read in 20-byte pieces from successive offsets, until a piece comes back empty.
  const std::size_t length = peripheral.getCharacteristicValue().size();
  std::vector<std::uint16_t> offsets;
  for (std::size_t at = 0; at < length; at += 20) offsets.push_back(static_cast<std::uint16_t>(at));
  offsets.push_back(static_cast<std::uint16_t>(length));
  EXPECT_EQ(seen.readOffsets, offsets);

  // BlueZ does not announce a device it already knows: a new scan still reports it, once.
  central.stopScan();
  central.startScan();
  ASSERT_TRUE(
      test::runMainUntil([&] { return joiner->networks.size() == 2 && bluez.seen().connected == 0; }));
  EXPECT_EQ(joiner->discovered, 2);
  EXPECT_EQ(bluez.seen().discoveries, 2);
  EXPECT_EQ(joiner->networks[1], network);

  peripheral.stopProvide();
  ASSERT_TRUE(test::runMainUntil([&] {
    seen = bluez.seen();
    return seen.applications == 0 && seen.advertisements == 0;
  }));
}

TEST_F(DiscoveryTest, PoweringOffAndOnRegistersAgainAndAStoppedRoleStaysQuiet) {
  StandInBlueZ bluez(bus_.address());
  ASSERT_TRUE(bluez.ready());
  auto stack = BlueZStack::create(bus_.address());
  PeripheralRole peripheral(stack);
  provide(peripheral, bluez, 1);

  bluez.setPowered(false);
  ASSERT_TRUE(test::runMainUntil([&] {
    const auto seen = bluez.seen();
    return seen.applications == 0 && seen.advertisements == 0;
  }));
  bluez.setPowered(true);
  ASSERT_TRUE(test::runMainUntil([&] {
    const auto seen = bluez.seen();
    return provider_->started == 2 && seen.applications == 1 && seen.advertisements == 1;
  }));
  EXPECT_EQ(bluez.seen().applicationRegistrations, 2);
  EXPECT_EQ(bluez.seen().advertisementRegistrations, 2);

  peripheral.stopProvide();
  ASSERT_TRUE(test::runMainUntil([&] {
    const auto seen = bluez.seen();
    return seen.applications == 0 && seen.advertisements == 0;
  }));
  bluez.setPowered(false);
  bluez.setPowered(true);
  // A check made afterwards is answered after both reports reached this connection.
  Bluetooth checker(stack);
  std::optional<bool> on;
  checker.checkState([&](bool powered) { on = powered; });
  ASSERT_TRUE(test::runMainUntil([&] { return on.has_value(); }));
  EXPECT_TRUE(*on);
  EXPECT_EQ(provider_->started, 2);
  EXPECT_EQ(bluez.seen().applicationRegistrations, 2);
}

TEST_F(DiscoveryTest, OnlyAPoweredAdapterAnswersYesAndNothingHangs) {
  enum class Setup { StandIn, NoBluetoothd, Hung, NoBus };
  struct Case {
    const char* what;
    Setup setup;
    StandInBlueZ::Options options;
    std::string policy;
    bool expected;
  };
  const Case cases[] = {
      {"a powered adapter", Setup::StandIn, {}, "", true},
      {"an adapter switched off", Setup::StandIn, {.powered = false}, "", false},
      {"no adapter", Setup::StandIn, {.adapter = false}, "", false},
      {"access denied", Setup::StandIn, {}, R"(<deny send_destination="org.bluez"/>)", false},
      {"no bluetoothd", Setup::NoBluetoothd, {}, "", false},
      {"a bluetoothd that never answers", Setup::Hung, {}, "", false},
      {"no system bus", Setup::NoBus, {}, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dbustest::PrivateSessionBus bus(c.policy);
    ASSERT_FALSE(bus.address().empty());
    std::optional<StandInBlueZ> bluez;
    std::optional<dbustest::Peer> hung;
    if (c.setup == Setup::StandIn) {
      bluez.emplace(bus.address(), c.options);
      ASSERT_TRUE(bluez->ready());
    }
    if (c.setup == Setup::Hung) hung.emplace(bus.address(), "org.bluez");  // owns the name, never reads
    // The system bus comes from the environment, as in the program.
    test::ScopedEnv system("DBUS_SYSTEM_BUS_ADDRESS",
                           c.setup == Setup::NoBus ? "unix:path=/nonexistent/vl-bus" : bus.address());
    Bluetooth checker(BlueZStack::create());

    int first = 0;
    std::vector<bool> answers;
    const auto began = std::chrono::steady_clock::now();
    checker.checkState([&](bool) { ++first; });  // replaced at once: never runs
    checker.checkState([&](bool powered) { answers.push_back(powered); });
    ASSERT_TRUE(test::runMainUntil([&] { return !answers.empty(); }, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(2500));
    EXPECT_EQ(answers, std::vector<bool>{c.expected});
    // One more check on the same object: by its answer any late one of the first would have come.
    checker.checkState([&](bool powered) { answers.push_back(powered); });
    ASSERT_TRUE(test::runMainUntil([&] { return answers.size() == 2; }, 5000));
    EXPECT_EQ(first, 0);
  }
}

// Start-up installs BlueZ for the shared objects; closing at quit puts the headless stack back.
TEST_F(DiscoveryTest, TheProgramsBluetoothIsBlueZUntilClosed) {
  StandInBlueZ bluez(bus_.address());
  ASSERT_TRUE(bluez.ready());
  std::vector<bool> answers;
  installSystemBusBackends(bus_.address());
  Bluetooth checker;
  checker.checkState([&](bool powered) { answers.push_back(powered); });
  ASSERT_TRUE(test::runMainUntil([&] { return answers.size() == 1; }));
  closeSystemBusBackends();
  checker.checkState([&](bool powered) { answers.push_back(powered); });
  ASSERT_TRUE(test::runMainUntil([&] { return answers.size() == 2; }));
  EXPECT_EQ(answers, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace vl
