#include <gtest/gtest.h>

#include "SyncScreensTestSupport.h"
#include "Windows/Sync/CreateNewNetworkController.h"
#include "platform/foundation/Localization.h"

namespace vl::test {
namespace {

using SyncPanelsTest = SyncScreensTest;
using Bt = bluetooth::ManagerState;

TEST_F(SyncPanelsTest, SwitchingOnOpensTheStartPanelAndEscapeClosesTheBarWithIt) {
  showStartPanel();
  EXPECT_TRUE(bar()->on());
  EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleNone);
  // A shown panel disables the switch.
  EXPECT_FALSE(bar()->enabled());
  EXPECT_TRUE(pressEscape());
  advance(400);
  EXPECT_FALSE(parts.startPanel->isShown());
  EXPECT_FALSE(bar()->on());
  EXPECT_TRUE(bar()->enabled());
}

TEST_F(SyncPanelsTest, CancelOnTheRootPageClosesTheBar) {
  showStartPanel();
  rootPage()->cancel();
  advance(400);
  EXPECT_FALSE(parts.startPanel->isShown());
  EXPECT_FALSE(bar()->on());
}

TEST_F(SyncPanelsTest, NextWithoutTheRadioOrAnAddressSaysWhichAndStays) {
  struct Case {
    Bt radio;
    bool address;
    const char* alert;
  };
  for (const Case& c :
       {Case{Bt::PoweredOff, true, "data.sync.alert.bluetoothNotOn"},
        Case{Bt::PoweredOn, false, "data.sync.alert.NotJoinLocalNetwork"},
        Case{Bt::Unsupported, false, "data.sync.alert.bluetoothNotOnAndNotJoinLocalNetwork"}}) {
    showStartPanel();
    radio->state = c.radio;
    address = c.address ? std::optional<std::string>("127.0.0.1") : std::nullopt;
    rootPage()->next();
    settle();
    auto alert = alertOver(*rootPage()->getMainView());
    ASSERT_NE(alert, nullptr) << c.alert;
    EXPECT_EQ(alert->title(), localized(c.alert));
    EXPECT_EQ(topPage(), rootPage());
    EXPECT_EQ(radio->counts->peripherals, 0);
    EXPECT_TRUE(pressEscape());  // the alert
    advance(400);
    EXPECT_TRUE(pressEscape());  // the panel, and the bar
    advance(400);
    EXPECT_FALSE(bar()->on());
  }
}

TEST_F(SyncPanelsTest, TheTilesKeepExactlyOneChoice) {
  showStartPanel();
  auto page = rootPage();
  EXPECT_TRUE(page->createNetwork()->selected());
  EXPECT_FALSE(page->joinNetwork()->selected());
  for (const auto& [tile, create] :
       {std::pair{page->joinNetwork(), false}, {page->joinNetwork(), false}, {page->createNetwork(), true}}) {
    page->explainButtonDidClick(*tile);
    dispatch::MainLoop::runUntilIdle();
    EXPECT_EQ(page->createNetwork()->selected(), create);
    EXPECT_EQ(page->joinNetwork()->selected(), !create);
  }
}

TEST_F(SyncPanelsTest, NextOnTheJoinTileWhileServingStopsServingFirst) {
  CreatedDataSyncStore::shared().setCurrentProvider(addNetwork("Home"));
  bar()->openWithRole(SyncBar2::RoleProvider);
  dispatch::MainLoop::runUntilIdle();
  ASSERT_TRUE(SyncNetworkServerWrapper::shared().isServing());
  std::shared_ptr<ModalViewController> joinPage;
  CreateOrJoinSyncNetworkController::setJoinPageFactory([&] {
    joinPage = ModalViewController::make<ModalViewController>();
    return joinPage;
  });
  PanelCenter::shared().showPanelByKey(kPanelDataSync);
  advance(400);
  rootPage()->explainButtonDidClick(*rootPage()->joinNetwork());
  rootPage()->next();
  settle();
  EXPECT_FALSE(SyncNetworkServerWrapper::shared().isServing());
  EXPECT_EQ(CreatedDataSyncStore::shared().currentProvider(), nullptr);
  ASSERT_NE(joinPage, nullptr);
  EXPECT_EQ(topPage(), joinPage);
}

TEST_F(SyncPanelsTest, NextOnTheCreateTileWhileJoinedLeavesTheJoinedNetworkFirst) {
  auto link = std::make_shared<FakeClientLink>();
  SyncClientLink::install(link);
  ClientSyncNetworkBean joined =
      ClientSyncNetworkBean::ofCharacteristic("N1", "Office", "Desk", "127.0.0.2", 1);
  joined.accessToken = "t1";
  JoinDataSyncStore::shared().addOrUpdate(joined);
  JoinDataSyncStore::shared().setCanNotAutoJoinByLimitReached("N1", true);
  JoinDataSyncStore::shared().setCurrentJoin(joined);
  showStartPanel();
  rootPage()->next();
  settle();
  EXPECT_EQ(link->byes, 1);
  EXPECT_TRUE(JoinDataSyncStore::shared().canAutoJoin(joined));
  EXPECT_NE(std::dynamic_pointer_cast<CreateSyncNetworkController>(topPage()), nullptr);
}

// Through the pages as a user goes: Next, a new network, OK.
TEST_F(SyncPanelsTest, ANewNetworkIsCreatedThenServed) {
  showStartPanel();
  rootPage()->next();
  settle();
  auto list = std::dynamic_pointer_cast<CreateSyncNetworkController>(topPage());
  ASSERT_NE(list, nullptr);
  // OK with nothing to serve does nothing.
  list->ok();
  EXPECT_TRUE(parts.startPanel->isShown());
  EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleNone);

  list->createNewNetwork();
  settle();
  auto form = std::dynamic_pointer_cast<CreateNewNetworkController>(topPage());
  ASSERT_NE(form, nullptr);
  struct Case {
    const char* name;
    const char* password;
    const char* confirmation;
    const char* alert;  // nullptr: stored
  };
  for (const Case& c :
       {Case{"", "pw", "pw", "data.sync.alert.nameIsEmpty"},
        Case{"Home", "", "pw", "data.sync.alert.passwordIsEmpty"},
        Case{"Home", "pw", "", "data.sync.alert.connfirmPasswordIsEmpty"},
        Case{"Home", "pw", "pW", "data.sync.alert.passwordNotSame"}, Case{"  ", "p", "p", nullptr}}) {
    form->nameItem()->setText(c.name);
    form->passwordItem()->setText(c.password);
    form->confirmPasswordItem()->setText(c.confirmation);
    form->done();
    settle();
    if (!c.alert) break;
    auto alert = alertOver(*form->getMainView());
    ASSERT_NE(alert, nullptr) << c.alert;
    EXPECT_EQ(alert->title(), localized(c.alert));
    EXPECT_TRUE(CreatedDataSyncStore::shared().providerList().empty());
    EXPECT_TRUE(pressEscape());
    advance(400);
  }
  EXPECT_NE(form->passwordItem()->getSecureTextField(), nullptr);
  EXPECT_EQ(topPage(), list);
  ASSERT_EQ(list->dataSource().size(), 1u);
  EXPECT_EQ(list->dataSource()[0]->name(), "  ");

  list->ok();
  advance(400);
  EXPECT_FALSE(parts.startPanel->isShown());
  EXPECT_EQ(CreatedDataSyncStore::shared().currentProvider(), list->dataSource()[0]);
  EXPECT_EQ(bar()->currentRole(), SyncBar2::RoleProvider);
  dispatch::MainLoop::runUntilIdle();
  EXPECT_TRUE(SyncNetworkServerWrapper::shared().isServing());
}

TEST_F(SyncPanelsTest, TheModifyFormOpensFilledAndSaves) {
  auto network = addNetwork("Home");
  auto list = ModalViewController::make<CreateSyncNetworkController>();
  showStartPanel();
  parts.startPanel->navigationController()->pushModalViewController(list);
  settle();
  list->editAccessoryClick(*list->itemAt(0)->rightAccessories()[0]);
  settle();
  auto form = std::dynamic_pointer_cast<CreateNewNetworkController>(topPage());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->nameItem()->text(), "Home");
  EXPECT_EQ(form->passwordItem()->text(), "secret");
  EXPECT_EQ(form->confirmPasswordItem()->text(), "secret");
  form->nameItem()->setText("Den");
  form->done();
  settle();
  EXPECT_EQ(network->name(), "Den");
  EXPECT_EQ(list->itemAt(0)->title(), "Den");
}

TEST_F(SyncPanelsTest, RowsTakeTheirPlaceInTheGroupAndSixScroll) {
  auto list = ModalViewController::make<CreateSyncNetworkController>();
  showStartPanel();
  parts.startPanel->navigationController()->pushModalViewController(list);
  settle();
  const std::vector<std::vector<std::uint64_t>> styles = {
      {ModalTableItem::Single},
      {ModalTableItem::First, ModalTableItem::Last},
      {ModalTableItem::First, ModalTableItem::Middle, ModalTableItem::Last}};
  for (const auto& expected : styles) {
    addNetwork("N" + std::to_string(expected.size()));
    list->viewWillAppear();
    for (std::size_t row = 0; row < expected.size(); ++row) {
      ASSERT_NE(list->itemAt(static_cast<long>(row)), nullptr);
      EXPECT_EQ(list->itemAt(static_cast<long>(row))->style(), expected[row])
          << expected.size() << " " << row;
    }
  }
  for (int i = 0; i < 3; ++i) addNetwork("M" + std::to_string(i));
  list->viewWillAppear();
  EXPECT_EQ(list->tableView()->frame().height(), 200);
  EXPECT_TRUE(list->tableView()->hasVerticalScroller());
}

TEST_F(SyncPanelsTest, DeletingMovesTheCheckAsTheListChanges) {
  struct Case {
    long checked, deleted;
    std::string nowChecked;  // the name checked after the delete
  };
  // The list reads newest first: C, B, A.
  for (const Case& c : {Case{1, 1, "C"}, Case{2, 0, "A"}, Case{0, 2, "C"}, Case{1, 0, "B"}}) {
    CreatedDataSyncStore::shared().resetForTesting();
    CreatedDataSyncStore::shared().setProviderList({});
    for (const char* name : {"A", "B", "C"}) {
      addNetwork(name);
    }
    auto list = ModalViewController::make<CreateSyncNetworkController>();
    list->setMainViewSize({375, 420});
    list->viewDidLoad();
    list->viewWillAppear();
    list->itemClick(*list->itemAt(c.checked));
    auto remove = list->itemAt(c.deleted)->rightAccessories()[1];
    // Cancel keeps everything.
    list->deleteAccessoryClick(*remove);
    alertOver(*list->getMainView())->cancelButtonClick();
    EXPECT_EQ(list->dataSource().size(), 3u);
    list->deleteAccessoryClick(*remove);
    alertOver(*list->getMainView())->okButtonClick();
    ASSERT_EQ(list->dataSource().size(), 2u);
    EXPECT_EQ(list->dataSource()[static_cast<std::size_t>(list->checkIndex())]->name(), c.nowChecked)
        << c.checked << " " << c.deleted;
    auto mark = std::dynamic_pointer_cast<ModalTableItemAccessoryCheck>(
        list->itemAt(list->checkIndex())->leftAccessory());
    EXPECT_TRUE(mark->check());
  }
}

}  // namespace
}  // namespace vl::test
