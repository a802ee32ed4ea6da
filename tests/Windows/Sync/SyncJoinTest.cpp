#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SyncScreensTestSupport.h"
#include "Windows/Sync/join/JoinSyncNetworkController.h"
#include "Windows/Sync/join/SyncNetworkIgnoreController.h"
#include "Windows/Sync/join/SyncNetworkPasswordController.h"
#include "gRPC/Common/SyncDictionary.h"
#include "platform/foundation/Localization.h"
#include "sync/client/SyncNetworkClientWrapper.h"
#include "sync/discovery/CharacteristicValueBean.h"
#include "sync/server/ServerResponseMaker.h"

namespace vl::test {
namespace {

class SyncJoinTest : public SyncScreensTest {
 protected:
  void TearDown() override {
    SyncNetworkClientWrapper::shared().close();
    SyncScreensTest::TearDown();
  }

  // Start panel, the join tile, Next: the join page the start panel pushes.
  std::shared_ptr<JoinSyncNetworkController> openJoinPage() {
    showStartPanel();
    rootPage()->explainButtonDidClick(*rootPage()->joinNetwork());
    dispatch::MainLoop::runUntilIdle();
    rootPage()->next();
    settle();
    return std::dynamic_pointer_cast<JoinSyncNetworkController>(topPage());
  }
  static void found(JoinSyncNetworkController& page, const std::string& id, const std::string& name,
                    const std::string& ip = "127.0.0.1", std::int64_t port = 21900) {
    CharacteristicValueBean value;
    value.setNetworkId(id);
    value.setNetworkName(name);
    value.setDeviceName("Desk");
    value.setIp(ip);
    value.setPort(port);
    page.centralRole(CentralRole::shared(), value);
  }
  static std::vector<std::string> listed(const JoinSyncNetworkController& page) {
    std::vector<std::string> ids;
    for (const auto& network : page.dataSource()) ids.push_back(network.networkId);
    return ids;
  }
  // Remembered where it was joined: by default where found() sees it.
  static void remember(const std::string& id, const std::string& token, bool flagged = false,
                       const std::string& ip = "127.0.0.1", std::int64_t port = 21900) {
    ClientSyncNetworkBean network = ClientSyncNetworkBean::ofCharacteristic(id, id, "Desk", ip, port);
    network.accessToken = token;
    JoinDataSyncStore::shared().addOrUpdate(network);
    JoinDataSyncStore::shared().setCanNotAutoJoinByLimitReached(id, flagged);
  }
  // This process serves the network on the loopback (after Next on the join tile, which stops serving);
  // the page then signs in to it for real.
  static void serve(const CreatedDataSyncStore::Network& network) {
    CreatedDataSyncStore::shared().setCurrentProvider(network);
    EXPECT_TRUE(SyncNetworkServerWrapper::shared().startWithIp("127.0.0.1", syncwire::syncPort()));
  }
  // The serving side answers in real time; the screens move on the manual clock meanwhile.
  bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
      dispatch::MainLoop::runUntilIdle();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      advance(50);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  std::shared_ptr<SyncNetworkPasswordController> passwordPageFor(
      const CreatedDataSyncStore::Network& served) {
    auto join = openJoinPage();
    if (!join) return nullptr;
    serve(served);
    found(*join, served->identifier(), served->name(), "127.0.0.1", syncwire::syncPort());
    join->itemClick(*join->itemAt(0));
    settle();
    return std::dynamic_pointer_cast<SyncNetworkPasswordController>(topPage());
  }
};

// Networks as they are found nearby: each listed once, with its first address; a value that cannot be
// joined is not listed; a remembered, unflagged network is joined at once, but only while none is, and
// only where it was joined: the same identifier advertised from another address or port (anyone on the
// network can advertise it) is only listed, and its token stays here.
TEST_F(SyncJoinTest, FoundNetworksAreListedOnceAndARememberedOneIsJoinedByItself) {
  remember("N2", "token-2", false, "10.0.0.4");
  remember("N3", "token-3", true, "10.0.0.3");
  remember("N4", "token-4", false, "10.0.0.5");
  remember("N6", "token-6", false, "10.0.0.6");
  remember("N7", "token-7", false, "10.0.0.7", 21901);
  auto page = openJoinPage();
  ASSERT_NE(page, nullptr);
  struct Step {
    const char* id;
    const char* ip;
    std::vector<std::string> listed;
    const char* joined;  // nullptr: nothing joined
  };
  for (const Step& s :
       {Step{"N1", "10.0.0.1", {"N1"}, nullptr}, Step{"N1", "10.0.0.9", {"N1"}, nullptr},
        Step{"", "10.0.0.2", {"N1"}, nullptr}, Step{"N5", "", {"N1"}, nullptr},
        Step{"N3", "10.0.0.3", {"N1", "N3"}, nullptr}, Step{"N6", "10.0.0.66", {"N1", "N3", "N6"}, nullptr},
        Step{"N7", "10.0.0.7", {"N1", "N3", "N6", "N7"}, nullptr},
        Step{"N2", "10.0.0.4", {"N1", "N3", "N6", "N7"}, "N2"},
        Step{"N2", "10.0.0.4", {"N1", "N3", "N6", "N7"}, "N2"},
        Step{"N4", "10.0.0.5", {"N1", "N3", "N6", "N7", "N4"}, "N2"}}) {
    found(*page, s.id, std::string("Net ") + s.id, s.ip);
    EXPECT_EQ(listed(*page), s.listed) << s.id;
    std::optional<ClientSyncNetworkBean> current = JoinDataSyncStore::shared().currentJoin();
    EXPECT_EQ(current ? current->networkId : "", s.joined ? s.joined : "") << s.id;
  }
  EXPECT_EQ(page->dataSource()[0].ip, "10.0.0.1");
  EXPECT_EQ(JoinDataSyncStore::shared().currentJoin()->accessToken, "token-2");
  EXPECT_EQ(page->chosenItem()->title(), "Net N2");
  EXPECT_TRUE(
      std::static_pointer_cast<ModalTableItemAccessoryCheck>(page->chosenItem()->leftAccessory())->check());
  // A rejected remembered token asks for this network's password.
  ASSERT_TRUE(JoinDataSyncStore::shared().attempJoin());
  EXPECT_EQ(JoinDataSyncStore::shared().attempJoin()->networkId, "N2");
  EXPECT_EQ(page->tableView()->frame().height(), 5 * ModalTableView::kRowHeight);
  // The impersonated networks still have their own addresses remembered.
  EXPECT_EQ(JoinDataSyncStore::shared().getBeanWithIdentifier("N6")->ip, "10.0.0.6");
  EXPECT_EQ(JoinDataSyncStore::shared().getBeanWithIdentifier("N7")->port, 21901);
}

TEST_F(SyncJoinTest, AClickJoinsWithTheRememberedTokenOrAsksForThePassword) {
  struct Case {
    bool remembered, flagged;
    const char* rememberedAt;  // found at 127.0.0.1
    bool asksPassword;
  };
  for (const Case& c : {Case{false, false, "127.0.0.1", true}, Case{true, true, "127.0.0.1", false},
                        Case{true, false, "127.0.0.1", false}, Case{true, false, "127.0.0.9", true}}) {
    JoinDataSyncStore::shared().removeWithIdentifier("N1");
    if (c.remembered) remember("N1", "kept", c.flagged, c.rememberedAt);
    auto page = openJoinPage();
    ASSERT_NE(page, nullptr);
    // Found: a flagged network is not joined by itself, an unflagged remembered one is.
    found(*page, "N1", "Office");
    if (!JoinDataSyncStore::shared().currentJoin()) {
      page->itemClick(*page->itemAt(0));
      settle();
    }
    auto password = std::dynamic_pointer_cast<SyncNetworkPasswordController>(topPage());
    EXPECT_EQ(password != nullptr, c.asksPassword) << c.remembered << c.flagged << c.rememberedAt;
    if (password) {
      EXPECT_EQ(password->bean()->networkId, "N1");
      EXPECT_EQ(password->navigationBar()->titleView()->string(), "Office");
    } else {
      ASSERT_TRUE(JoinDataSyncStore::shared().currentJoin());
      EXPECT_EQ(JoinDataSyncStore::shared().currentJoin()->accessToken, "kept");
      EXPECT_TRUE(JoinDataSyncStore::shared().canAutoJoin(*JoinDataSyncStore::shared().currentJoin()));
    }
    JoinDataSyncStore::shared().setCurrentJoin(std::nullopt);
    pressEscape();
    advance(400);
  }
}

// The serving device's answer decides: a token joins, a wrong password opens the password panel for the
// same network, a full network joins nothing.
TEST_F(SyncJoinTest, OnlyAnAnswerWithATokenJoinsTheNetwork) {
  auto served = addNetwork("Home");
  for (const char* name : {"Laptop", "Tablet"})
    ASSERT_TRUE(served->authorize(name, name, ServerResponseMaker::kDeviceLimit, 0));
  auto page = passwordPageFor(served);
  ASSERT_NE(page, nullptr);
  page->passwordItem()->setText("secret");
  page->ok();
  ASSERT_TRUE(waitFor([] { return LogCapture::contains("answered 602 without a token"); }));
  EXPECT_FALSE(JoinDataSyncStore::shared().currentJoin());
  EXPECT_FALSE(JoinDataSyncStore::shared().getBeanWithIdentifier(served->identifier()));
  served->cleanConnectedStatus();

  // Wrong: the start panel goes and the password panel asks again for the same network.
  page->passwordItem()->setText("wrong");
  page->ok();
  ASSERT_TRUE(waitFor([&] { return parts.passwordPanel->isShown(); }));
  EXPECT_FALSE(parts.startPanel->isShown());
  EXPECT_FALSE(JoinDataSyncStore::shared().currentJoin());
  auto again = parts.passwordPanel->rootPage();
  EXPECT_EQ(again->navigationBar()->titleView()->string(), "Home");
  EXPECT_EQ(again->passwordItem()->text().value_or(""), "");

  again->passwordItem()->setText("secret");
  again->ok();
  ASSERT_TRUE(
      waitFor([&] { return !parts.passwordPanel->isShown() && JoinDataSyncStore::shared().currentJoin(); }));
  std::optional<ClientSyncNetworkBean> stored =
      JoinDataSyncStore::shared().getBeanWithIdentifier(served->identifier());
  ASSERT_TRUE(stored);
  EXPECT_FALSE(stored->accessToken.empty());
  EXPECT_TRUE(served->isConnected(stored->accessToken));
  EXPECT_EQ(JoinDataSyncStore::shared().currentJoin()->accessToken, stored->accessToken);
  EXPECT_TRUE(bar()->on());
}

TEST_F(SyncJoinTest, PasswordChecksComeBeforeAnyRequest) {
  auto served = addNetwork("Home");
  auto page = passwordPageFor(served);
  ASSERT_NE(page, nullptr);
  struct Case {
    const char* password;
    std::string alert;
  };
  // The empty password is refused before the serving device is even looked for.
  SyncNetworkServerWrapper::shared().close();
  for (const Case& c : {Case{"", localized("data.sync.alert.passwordIsEmpty")},
                        Case{"secret", localizedFormat("data.sync.network.serverWillClose", "Home")}}) {
    page->passwordItem()->setText(c.password);
    page->ok();
    settle();
    auto alert = alertOver(*page->getMainView());
    ASSERT_NE(alert, nullptr) << c.alert;
    EXPECT_EQ(alert->title(), c.alert);
    EXPECT_EQ(page->passwordItem()->text(), c.password);
    EXPECT_FALSE(JoinDataSyncStore::shared().attempJoin());
    pressEscape();
    advance(400);
  }
}

TEST_F(SyncJoinTest, ALateAnswerAfterSyncWasSwitchedOffJoinsNothing) {
  const ClientSyncNetworkBean network =
      ClientSyncNetworkBean::ofCharacteristic("N1", "Office", "Desk", "127.0.0.1", 1);
  EXPECT_FALSE(bar()->on());
  EXPECT_FALSE(SyncNetworkPasswordController::signInAnswered({}, network, 200, "token"));
  flipSwitch();
  EXPECT_FALSE(SyncNetworkPasswordController::signInAnswered({}, network, 200, ""));
  EXPECT_FALSE(JoinDataSyncStore::shared().currentJoin());
  EXPECT_TRUE(SyncNetworkPasswordController::signInAnswered({}, network, 200, "token"));
  EXPECT_EQ(JoinDataSyncStore::shared().currentJoin()->accessToken, "token");
}

// Changing network while joined: the goodbye ends first, then the network that was clicked (held, not
// its row) is joined, whatever the list became meanwhile.
TEST_F(SyncJoinTest, ClickingAnotherNetworkWhileJoinedLeavesFirst) {
  remember("N1", "t1");
  remember("N2", "t2");
  auto page = openJoinPage();
  ASSERT_NE(page, nullptr);
  found(*page, "N1", "One");
  ASSERT_EQ(JoinDataSyncStore::shared().currentJoin()->networkId, "N1");
  found(*page, "N2", "Two");
  found(*page, "N3", "Three");
  page->itemClick(*page->itemAt(0));
  // Before the goodbye ends the list empties under the click.
  JoinDataSyncStore::shared().setCurrentJoin(std::nullopt);
  page->chosenRefresh();
  ASSERT_TRUE(page->dataSource().empty());
  ASSERT_TRUE(waitFor([] {
    auto current = JoinDataSyncStore::shared().currentJoin();
    return current && current->networkId == "N2";
  }));
  EXPECT_EQ(JoinDataSyncStore::shared().currentJoin()->accessToken, "t2");
}

TEST_F(SyncJoinTest, ForgettingTheJoinedNetworkLeavesItAndComesBack) {
  remember("N1", "t1");
  auto page = openJoinPage();
  ASSERT_NE(page, nullptr);
  // Nothing joined: a beep, no page.
  page->ignore();
  EXPECT_EQ(ui::beepCount(), 1u);
  EXPECT_EQ(topPage(), page);
  found(*page, "N1", "One");
  page->ignore();
  settle();
  auto forget = std::dynamic_pointer_cast<SyncNetworkIgnoreController>(topPage());
  ASSERT_NE(forget, nullptr);
  EXPECT_EQ(forget->navigationBar()->titleView()->string(), "One");
  EXPECT_EQ(forget->deviceItem()->title(), "Desk");
  forget->ignore();
  ASSERT_TRUE(waitFor([&] { return topPage() == page; }));
  EXPECT_FALSE(JoinDataSyncStore::shared().currentJoin());
  EXPECT_FALSE(JoinDataSyncStore::shared().getBeanWithIdentifier("N1"));
  EXPECT_EQ(page->chosenItem()->title(), localized("data.sync.join.placeholder"));
  EXPECT_TRUE(page->dataSource().empty());
}

// The switch panel's page: OK opens the bar as a joined device; Cancel leaves the network.
TEST_F(SyncJoinTest, TheSwitchPanelOpensTheBarOrLeaves) {
  auto link = std::make_shared<FakeClientLink>();
  SyncClientLink::install(link);
  PanelCenter::shared().showPanelByKey(kPanelSyncSwitch);
  advance(400);
  auto page = parts.switchPanel->rootPage();
  page->ok();
  settle();
  auto alert = alertOver(*page->getMainView());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->title(), localized("data.sync.join.alert.chooseNetwork"));
  pressEscape();
  advance(400);

  remember("N1", "t1");
  found(*page, "N1", "One");
  link->name = "One";
  page->ok();
  advance(400);
  EXPECT_FALSE(parts.switchPanel->isShown());
  EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleClient);
  EXPECT_TRUE(bar()->on());

  PanelCenter::shared().showPanelByKey(kPanelSyncSwitch);
  advance(400);
  page->cancel();
  advance(400);
  EXPECT_FALSE(parts.switchPanel->isShown());
  EXPECT_FALSE(bar()->on());
  EXPECT_EQ(link->byes, 1);
}

}  // namespace
}  // namespace vl::test
