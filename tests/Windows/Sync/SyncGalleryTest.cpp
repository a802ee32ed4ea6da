#include <gtest/gtest.h>

#include "SyncScreensTestSupport.h"
#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/HintTableRowView.h"
#include "Windows/Main/list/RowServices.h"
#include "Windows/Main/preview/FileView.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Sync/CreateNewNetworkController.h"
#include "Windows/Sync/join/SyncNetworkIgnoreController.h"
#include "platform/ui/view/Appearance.h"
#include "support/Gallery.h"
#include "support/TextContrast.h"
#include "sync/discovery/CharacteristicValueBean.h"
#include "theme/VLFont.h"

namespace vl::test {
namespace {

class SyncGalleryTest : public SyncScreensTest {
 protected:
  // Desktop painting before the screens are built, so they load their images with pixels and lay out
  // with the metrics they are painted with.
  void SetUp() override {
    painting_.emplace();
    SyncScreensTest::SetUp();
    setBackgroundColorAssetKey(*window_, std::string("vellistoBackgroundColorSystem11"));
  }
  // The picture, light and dark, and every text in it read at 4.5:1 against what is behind it.
  void picture(const std::string& name, double scale = 1) {
    EXPECT_EQ(test::writeGallery(*window_, name, scale).size(), 2u) << name;
    for (bool dark : {false, true}) {
      ui::SystemAppearance::shared().setDark(dark);
      const auto faults = test::textContrastFaults(*window_);
      EXPECT_TRUE(faults.empty()) << name << (dark ? " dark" : " light") << ":\n" << test::describe(faults);
    }
    ui::SystemAppearance::shared().setDark(false);
  }
  void TearDown() override {
    SyncScreensTest::TearDown();
    painting_.reset();
  }
  std::optional<DesktopPaintingScope> painting_;
  void push(const std::shared_ptr<ModalViewController>& page) {
    parts.startPanel->navigationController()->pushModalViewController(page);
    settle();
  }
};

TEST_F(SyncGalleryTest, EveryStateOfTheBar) {
  // A window just the bar's size, painted at twice the scale.
  window_->setFrame({100, 100, SyncBar2::kWidth,
                     window_->frame().height() - mainView_->frame().height() + SyncBar2::kHeight},
                    false);
  bar()->setFrameOrigin({0, 0});
  picture("sync-bar-off", 2);
  auto network = addNetwork("Home");
  CreatedDataSyncStore::shared().setCurrentProvider(network);
  bar()->openWithRole(SyncBar2::RoleProvider);
  settle();
  picture("sync-bar-serving-waiting", 2);
  for (const char* name : {"Kitchen laptop", "Studio desktop"})
    network->setAuthorized(AuthorizedBean::ofDeviceId(name, name), name);
  bar()->reload();
  picture("sync-bar-serving", 2);
  bar()->syncProviderView()->setNotFindable(true);
  picture("sync-bar-serving-not-findable", 2);
  bar()->close();
  auto link = std::make_shared<FakeClientLink>();
  link->name = "Office network";
  SyncClientLink::install(link);
  bar()->openWithRole(SyncBar2::RoleClient);
  picture("sync-bar-joined", 2);
  link->isConnected = false;
  bar()->reload();
  picture("sync-bar-joined-unreachable", 2);
}

TEST_F(SyncGalleryTest, TheAlertWhenBluetoothCannotAdvertise) {
  *radio->advertisingError = "org.bluez.Error.Failed: Failed to register advertisement";
  CreatedDataSyncStore::shared().setCurrentProvider(addNetwork("Home"));
  bar()->openWithRole(SyncBar2::RoleProvider);
  settle();
  ASSERT_NE(alertOver(*mainView_), nullptr);
  picture("sync-not-findable-alert");
}

TEST_F(SyncGalleryTest, StartCreateAndDevicesPanels) {
  addNetwork("Home");
  addNetwork("Office with a rather long network name");
  showStartPanel();
  picture("sync-start-panel");
  {
    // Above the two choices the page shows its picture, not an empty band.
    const auto& page = *rootPage()->view();
    const ui::Rect r = page.convertRectToView(page.bounds(), nullptr);
    const ui::Rect band{r.minX() + 10, r.minY() + 285, r.width() - 20, r.height() - 290};
    const auto probe =
        PixelProbe::fromPng(std::string(VL_BINARY_DIR) + "/gallery/sync-start-panel-light.png");
    ASSERT_TRUE(probe);
    EXPECT_GT(probe->inkIn(band, probe->at({band.minX() + 1, band.minY() + 1}), 40).count, 100);
  }
  rootPage()->explainButtonDidClick(*rootPage()->joinNetwork());
  dispatch::MainLoop::runUntilIdle();
  picture("sync-start-panel-join");
  // Next with the radio off: the alert's two lines show whole.
  radio->state = bluetooth::ManagerState::PoweredOff;
  rootPage()->next();
  settle();
  picture("sync-start-panel-bluetooth-alert");
  EXPECT_TRUE(pressEscape());
  advance(400);
  radio->state = bluetooth::ManagerState::PoweredOn;
  rootPage()->explainButtonDidClick(*rootPage()->createNetwork());
  rootPage()->next();
  settle();
  picture("sync-create-list");
  auto list = std::dynamic_pointer_cast<CreateSyncNetworkController>(topPage());
  ASSERT_NE(list, nullptr);
  list->createNewNetwork();
  settle();
  auto form = std::dynamic_pointer_cast<CreateNewNetworkController>(topPage());
  ASSERT_NE(form, nullptr);
  form->nameItem()->setText("Studio");
  form->passwordItem()->setText("secret");
  picture("sync-create-form");
  form->done();
  settle();
  picture("sync-create-form-alert");
  pressEscape();
  advance(400);
  pressEscape();
  advance(400);

  auto served = addNetwork("Served");
  for (const char* name : {"Kitchen laptop", "Studio desktop", "Attic"})
    served->setAuthorized(AuthorizedBean::ofDeviceId(name, name), name);
  CreatedDataSyncStore::shared().setCurrentProvider(served);
  bar()->openWithRole(SyncBar2::RoleProvider);
  bar()->syncProviderView()->allDevicesClick();
  advance(400);
  ASSERT_TRUE(parts.devicesPanel->isShown());
  auto page = parts.devicesPanel->page();
  std::dynamic_pointer_cast<ModalTableItemAccessoryButton>(page->itemAt(1)->rightAccessories()[0])
      ->setClicked(true);
  picture("sync-devices-panel");
}

// The list of created networks, longer than its frame and scrolled to cut a row at each edge, draws
// nothing outside that frame.
TEST_F(SyncGalleryTest, AScrolledNetworkListStaysInsideItsFrame) {
  for (int i = 0; i < 14; ++i) addNetwork("Network " + std::to_string(i));
  showStartPanel();
  rootPage()->next();
  settle();
  auto page = std::dynamic_pointer_cast<CreateSyncNetworkController>(topPage());
  ASSERT_NE(page, nullptr);
  auto& list = *page->tableView();
  ASSERT_GT(list.documentView()->frame().height(), list.contentSize().height + 60);
  EXPECT_EQ(test::pixelsChangedOutsideWhenScrolled(*window_, list, {0, 57}), 0);
  picture("sync-create-list-scrolled");
}

TEST_F(SyncGalleryTest, JoinPagesAndThePasswordPanel) {
  auto found = [](JoinSyncNetworkController& page, const std::string& id, const std::string& name) {
    CharacteristicValueBean value;
    value.setNetworkId(id);
    value.setNetworkName(name);
    value.setDeviceName("Studio desktop");
    value.setIp("127.0.0.1");
    value.setPort(1);
    page.centralRole(CentralRole::shared(), value);
  };
  showStartPanel();
  rootPage()->explainButtonDidClick(*rootPage()->joinNetwork());
  dispatch::MainLoop::runUntilIdle();
  rootPage()->next();
  settle();
  auto join = std::dynamic_pointer_cast<JoinSyncNetworkController>(topPage());
  ASSERT_NE(join, nullptr);
  join->centralRoleDidStartDiscover(CentralRole::shared());
  picture("sync-join-scanning");
  for (const char* name : {"Home", "Office with a rather long network name that goes on", "Attic"})
    found(*join, name, name);
  picture("sync-join-found");

  ClientSyncNetworkBean kitchen =
      ClientSyncNetworkBean::ofCharacteristic("K", "Kitchen", "Kitchen laptop", "127.0.0.1", 1);
  kitchen.accessToken = "token";
  JoinDataSyncStore::shared().addOrUpdate(kitchen);
  found(*join, "K", "Kitchen");
  picture("sync-join-joined");

  join->ignore();
  settle();
  ASSERT_NE(std::dynamic_pointer_cast<SyncNetworkIgnoreController>(topPage()), nullptr);
  picture("sync-join-forget");
  pressEscape();
  advance(400);

  JoinDataSyncStore::shared().setCurrentJoin(std::nullopt);
  showStartPanel();
  rootPage()->next();
  settle();
  join = std::dynamic_pointer_cast<JoinSyncNetworkController>(topPage());
  ASSERT_NE(join, nullptr);
  found(*join, "H", "Home");
  join->itemClick(*join->itemAt(0));
  settle();
  auto password = std::dynamic_pointer_cast<SyncNetworkPasswordController>(topPage());
  ASSERT_NE(password, nullptr);
  password->passwordItem()->setText("secret");
  picture("sync-join-password");
  pressEscape();
  advance(400);

  PanelCenter::shared().showPanelByKey(kPanelSyncPassword, PanelParams{kitchen});
  advance(400);
  ASSERT_TRUE(parts.passwordPanel->isShown());
  picture("sync-password-panel");
  pressEscape();
  advance(400);

  JoinDataSyncStore::shared().setCurrentJoin(kitchen);
  PanelCenter::shared().showPanelByKey(kPanelSyncSwitch);
  advance(400);
  found(*parts.switchPanel->rootPage(), "H", "Home");
  picture("sync-switch-panel");
}

class Clicks : public HintTableRowViewDelegate {
 public:
  void rowViewShouldPaste(HintTableRowView&) override {}
  void rowViewDidSelect(HintTableRowView&) override {}
  bool rowViewBeginDrag(HintTableRowView&) override { return false; }
};

// An image still arriving: its row and its preview show the progress, then the image.
TEST_F(SyncGalleryTest, TransferOverlayInTheListAndThePreview) {
  VLEngine::resetForTesting();
  VLEngine::shared().setFolders(home_.path());
  VLEngine::shared().load();
  PreviewColumnHooks::install({});
  // Each look-up follows the transfer on its own, as sync's does.
  std::vector<std::shared_ptr<RowTransfer>> followers;
  bool arriving = true;
  RowServices::setTransferLookup([&](const std::string&) -> std::shared_ptr<RowTransfer> {
    if (!arriving) return nullptr;
    followers.push_back(std::make_shared<RowTransfer>());
    followers.back()->fraction = 0.4;
    return followers.back();
  });
  const Json json{{"image", "photo.png"}};
  VLEngine::shared().append("holiday photo", std::nullopt, json, kClipboardPinTabId);

  Clicks clicks;
  auto row = HintTableRowView::create(&clicks);
  auto text = DisplayAttributedString::resultRow("holiday photo", std::vector<Range>{}, VLFont::mainFont());
  text->setJson(json);
  row->setFrame({0, mainView_->frame().height() - 40, 344, 40});
  mainView_->addSubview(row);
  row->setText(text);
  auto preview = FileView::create({344, 0, CustomView::kWidth, CustomView::kHeight});
  mainView_->addSubview(preview);
  preview->setJsonData(json, "holiday photo");
  dispatch::MainLoop::runUntilIdle();
  EXPECT_FALSE(row->fileTransferEntityView().isHidden());
  EXPECT_FALSE(preview->fileTransferOnPreview()->isHidden());
  picture("sync-transfer-arriving");

  arriving = false;
  for (const auto& follower : followers) follower->onEnd();
  dispatch::MainLoop::runUntilIdle();
  EXPECT_TRUE(row->fileTransferEntityView().isHidden());
  EXPECT_TRUE(preview->fileTransferOnPreview()->isHidden());
  picture("sync-transfer-landed");
  RowServices::setTransferLookup(nullptr);
  row->removeFromSuperview();
  preview->removeFromSuperview();
  VLEngine::resetForTesting();
}

}  // namespace
}  // namespace vl::test
