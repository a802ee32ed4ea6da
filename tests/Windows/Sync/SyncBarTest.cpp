#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SyncScreensTestSupport.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "sync/SyncWindowHooks.h"
#include "sync/client/SyncNetworkClientWrapper.h"
#include "sync/server/ServerResponseMaker.h"
#include "ui/panels/EscStack.h"

namespace vl::test {
namespace {

using SyncBarTest = SyncScreensTest;

TEST_F(SyncBarTest, ServingAdvertisesThenServesAndClosingStopsBoth) {
  auto network = addNetwork("Home");
  network->setAuthorized(AuthorizedBean::ofDeviceId("D1", "Laptop"), "T1");
  CreatedDataSyncStore::shared().setCurrentProvider(network);
  bar()->openWithRole(SyncBar2::RoleProvider);
  EXPECT_TRUE(bar()->on());
  EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleProvider);
  EXPECT_TRUE(bar()->titleTextView()->isHidden());
  EXPECT_FALSE(bar()->syncProviderView()->isHidden());
  EXPECT_TRUE(bar()->syncClientView()->isHidden());
  // The server waits for the radio.
  EXPECT_FALSE(SyncNetworkServerWrapper::shared().isServing());
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(radio->counts->advertising, 1);
  EXPECT_TRUE(SyncNetworkServerWrapper::shared().isServing());

  bar()->close();
  EXPECT_FALSE(bar()->on());
  EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleNone);
  EXPECT_FALSE(bar()->titleTextView()->isHidden());
  EXPECT_TRUE(bar()->syncProviderView()->isHidden());
  EXPECT_FALSE(SyncNetworkServerWrapper::shared().isServing());
  EXPECT_GE(radio->counts->stops, 1);
  EXPECT_EQ(CreatedDataSyncStore::shared().currentProvider(), nullptr);
  EXPECT_TRUE(network->connectedAndAuthorized().empty());
}

TEST_F(SyncBarTest, OpeningTheProviderRoleTwiceAdvertisesAndStartsTheServerAgain) {
  CreatedDataSyncStore::shared().setCurrentProvider(addNetwork("Home"));
  for (int i = 1; i <= 2; ++i) {
    bar()->openWithRole(SyncBar2::RoleProvider);
    dispatch::MainLoop::runUntilIdle();
    EXPECT_EQ(radio->counts->peripherals, i);
    EXPECT_EQ(radio->counts->advertising, i);
    EXPECT_TRUE(SyncNetworkServerWrapper::shared().isServing());
  }
}

// Many adapters cannot advertise: the bar keeps serving (devices that know the address still reach it),
// but says on itself and in one alert that nobody nearby can find the network; serving anew starts
// clean.
TEST_F(SyncBarTest, WhenBluetoothRefusesToAdvertiseTheBarSaysNobodyCanFindTheNetwork) {
  CreatedDataSyncStore::shared().setCurrentProvider(addNetwork("Home"));
  *radio->advertisingError = "org.bluez.Error.Failed: Failed to register advertisement";
  bar()->openWithRole(SyncBar2::RoleProvider);
  dispatch::MainLoop::runUntilIdle();
  EXPECT_TRUE(SyncNetworkServerWrapper::shared().isServing());
  const auto& view = bar()->syncProviderView();
  EXPECT_EQ(view->explainTextView()->string(), localized("data.sync.provider.notFindable"));
  auto alert = alertOver(*mainView_);
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->title(), localized("data.sync.provider.advertisingRefused"));
  // A device connecting does not hide it.
  SyncWindowHooks::reloadSyncBar();
  EXPECT_EQ(view->explainTextView()->string(), localized("data.sync.provider.notFindable"));
  alert->okButtonClick();
  advance(400);

  radio->advertisingError->clear();
  bar()->openWithRole(SyncBar2::RoleProvider);
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(view->explainTextView()->string(), localizedFormat("data.sync.provider.explain", "0"));
  EXPECT_EQ(alertOver(*mainView_), nullptr);
}

TEST_F(SyncBarTest, WithoutAnAddressTheBarRefusesToServeAndSaysWhy) {
  address.reset();
  CreatedDataSyncStore::shared().setCurrentProvider(addNetwork("Home"));
  bar()->openWithRole(SyncBar2::RoleProvider);
  dispatch::MainLoop::runUntilIdle();
  EXPECT_FALSE(bar()->on());
  EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleNone);
  EXPECT_EQ(radio->counts->peripherals, 0);
  EXPECT_FALSE(SyncNetworkServerWrapper::shared().isServing());
  EXPECT_EQ(CreatedDataSyncStore::shared().currentProvider(), nullptr);
  auto alert = alertOver(*mainView_);
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->title(), whyCannotServe());
  EXPECT_FALSE(alert->title().empty());
}

TEST_F(SyncBarTest, SwitchingOffAsksAndOnlyOkEndsServing) {
  CreatedDataSyncStore::shared().setCurrentProvider(addNetwork("Home"));
  bar()->openWithRole(SyncBar2::RoleProvider);
  dispatch::MainLoop::runUntilIdle();
  // Cancel, and Escape, which answers as Cancel: the state is kept.
  for (bool escape : {false, true}) {
    flipSwitch();
    auto alert = alertOver(*mainView_);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), localized("data.sync.provider.alert"));
    if (escape) {
      EXPECT_TRUE(pressEscape());
    } else {
      alert->cancelButtonClick();
    }
    advance(400);
    EXPECT_TRUE(bar()->on()) << escape;
    EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleProvider);
    EXPECT_TRUE(SyncNetworkServerWrapper::shared().isServing());
  }
  flipSwitch();
  alertOver(*mainView_)->okButtonClick();
  advance(400);
  EXPECT_FALSE(bar()->on());
  EXPECT_FALSE(SyncNetworkServerWrapper::shared().isServing());
}

TEST_F(SyncBarTest, TheProviderViewCountsConnectedDevicesAndOpensTheirPanel) {
  auto network = addNetwork("Home");
  CreatedDataSyncStore::shared().setCurrentProvider(network);
  bar()->openWithRole(SyncBar2::RoleProvider);
  const auto& view = bar()->syncProviderView();
  EXPECT_EQ(view->allDevicesButton()->title(), localized("data.sync.provider.wait"));
  view->allDevicesClick();
  EXPECT_EQ(ui::beepCount(), 1u);
  EXPECT_FALSE(parts.devicesPanel->isShown());

  for (const char* name : {"Alpha", "Beta", "Gamma"})
    network->setAuthorized(AuthorizedBean::ofDeviceId(name, name), std::string("T-") + name);
  // A serving handler's reload arrives from the server's loop and is posted to the main thread.
  std::thread loop([] { SyncWindowHooks::reloadSyncBar(); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  dispatch::MainLoop::runWhile([&] {
    return view->explainTextView()->string() != localizedFormat("data.sync.provider.explain", "3") &&
           std::chrono::steady_clock::now() < deadline;
  });
  loop.join();
  EXPECT_EQ(view->explainTextView()->string(), localizedFormat("data.sync.provider.explain", "3"));
  EXPECT_EQ(view->allDevicesButton()->title(), "Gamma");
  view->allDevicesClick();
  advance(400);
  EXPECT_TRUE(parts.devicesPanel->isShown());
  EXPECT_EQ(ui::beepCount(), 1u);
}

// A joined device that crashes, sleeps or leaves the network says no goodbye: once it has been silent
// long enough it leaves the bar and the devices screen by itself, whether or not anyone else calls.
TEST_F(SyncBarTest, ADeviceThatFallsSilentLeavesTheBarAndTheDevicesScreen) {
  auto network = addNetwork("Home");
  CreatedDataSyncStore::shared().setCurrentProvider(network);
  const auto now = [] { return Clock::current().monotonicMs(); };
  std::optional<AuthorizedBean> alpha =
      network->authorize("A", "Alpha", ServerResponseMaker::kDeviceLimit, now());
  std::optional<AuthorizedBean> beta =
      network->authorize("B", "Beta", ServerResponseMaker::kDeviceLimit, now());
  ASSERT_TRUE(alpha && beta);
  bar()->openWithRole(SyncBar2::RoleProvider);
  dispatch::MainLoop::runUntilIdle();
  ASSERT_TRUE(SyncNetworkServerWrapper::shared().isServing());
  bar()->syncProviderView()->allDevicesClick();
  advance(400);
  auto page = parts.devicesPanel->page();
  ASSERT_EQ(page->dataSource().size(), 2u);
  // Beta was asked to leave and has not yet.
  network->setTryDisconnect(beta->accessToken);

  // Beta keeps polling; Alpha went quiet.
  for (int second = 0; second < 40; ++second) {
    advance(1000);
    if (second < 35) (void)network->checkToken(beta->accessToken, ServerResponseMaker::kDeviceLimit, now());
  }
  const auto& view = bar()->syncProviderView();
  EXPECT_EQ(view->explainTextView()->string(), localizedFormat("data.sync.provider.explain", "1"));
  EXPECT_EQ(view->allDevicesButton()->title(), "Beta");
  ASSERT_EQ(page->dataSource().size(), 1u);
  EXPECT_EQ(page->dataSource()[0].deviceName, "Beta");
  auto row = page->itemAt(0);
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(
      std::dynamic_pointer_cast<ModalTableItemAccessoryButton>(row->rightAccessories()[0])->clicked());
}

TEST_F(SyncBarTest, TheJoinedStateShowsTheNetworkAndClosingSaysGoodbye) {
  auto link = std::make_shared<FakeClientLink>();
  SyncClientLink::install(link);
  // Role 0 reloads into the client view, which keeps its title while nothing is joined.
  bar()->reload();
  EXPECT_TRUE(bar()->titleTextView()->isHidden());
  EXPECT_FALSE(bar()->syncClientView()->isHidden());

  link->name = "Office";
  bar()->openWithRole(SyncBar2::RoleClient);
  EXPECT_EQ(bar()->syncClientView()->switchNetworkButton()->title(), "Office");
  EXPECT_TRUE(bar()->syncProviderView()->isHidden());
  bar()->close();
  EXPECT_EQ(link->byes, 1);
  EXPECT_FALSE(bar()->on());
  EXPECT_TRUE(bar()->syncClientView()->isHidden());
  // The session ends after the goodbye: the bar stays off, with its title.
  SyncNetworkClientWrapper::screens().sessionStateChanged(SyncClientScreens::SessionState::None);
  EXPECT_TRUE(bar()->syncClientView()->isHidden());
  EXPECT_FALSE(bar()->titleTextView()->isHidden());

  // Closed only on screen: no goodbye is sent.
  link->name = "Office";
  bar()->openWithRole(SyncBar2::RoleClient);
  bar()->closeOnlyOnUI();
  EXPECT_EQ(link->byes, 1);
  EXPECT_FALSE(bar()->on());
}

TEST_F(SyncBarTest, ADisconnectedDeviceIsMarkedAndRefusedWithServerDisconnect) {
  auto network = addNetwork("Home");
  network->setAuthorized(AuthorizedBean::ofDeviceId("D1", "Laptop"), "T1");
  CreatedDataSyncStore::shared().setCurrentProvider(network);
  bar()->openWithRole(SyncBar2::RoleProvider);
  bar()->syncProviderView()->allDevicesClick();
  advance(400);
  auto page = parts.devicesPanel->page();
  ASSERT_EQ(page->dataSource().size(), 1u);
  auto item = page->itemAt(0);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->style(), ModalTableItem::Single);
  auto disconnect = std::dynamic_pointer_cast<ModalTableItemAccessoryButton>(item->rightAccessories()[0]);
  // Cancel leaves the device alone.
  page->disconnectAccessoryClick(*disconnect);
  alertOver(*page->getMainView())->cancelButtonClick();
  EXPECT_FALSE(network->isTryToDisconnect("T1"));
  page->disconnectAccessoryClick(*disconnect);
  alertOver(*page->getMainView())->okButtonClick();
  EXPECT_TRUE(disconnect->clicked());
  EXPECT_TRUE(network->isTryToDisconnect("T1"));
  ServerResponseMaker server;
  EXPECT_EQ(server.getChunks({{"access_token", "T1"}, {"timestamp", 0}})["status"]["code"], 600);
}

}  // namespace
}  // namespace vl::test
