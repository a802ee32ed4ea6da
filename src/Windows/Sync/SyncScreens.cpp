#include "Windows/Sync/SyncScreens.h"

#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/preview/Complement.h"
#include "Windows/Sync/SyncLook.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "sync/SyncWindowHooks.h"
#include "sync/client/SyncNetworkClientWrapper.h"
#include "ui/alert/Alert.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

namespace {

SyncScreens::Parts& parts() {
  static SyncScreens::Parts kept;
  return kept;
}

// The password again for the network being joined: whatever panel is down goes first, and the password
// panel comes once it has gone. With no panel down nobody is joining through the screens: nothing shows.
void reenterPassword(const ClientSyncNetworkBean& network) {
  logWarning("sync: the serving device refused the password or token; asking again");
  PanelCenter::shared().dismissExistPanelIfNeeded([network](AbstractPanel&) {
    dispatch::Queue::main()->async(
        [network] { PanelCenter::shared().showPanelByKey(kPanelSyncPassword, PanelParams{network}); });
  });
}

// What the joined side's gateway shows: the bar, its alerts and the password panel.
void installClientScreens() {
  SyncClientScreens screens = SyncNetworkClientWrapper::installedScreens();
  screens.isSyncBarOn = [] { return SyncBar2::shared()->on(); };
  screens.closeSyncBar = [] { SyncBar2::shared()->close(); };
  screens.closeSyncBarOnlyOnUI = [] { SyncBar2::shared()->closeOnlyOnUI(); };
  screens.isAlertShown = [] {
    ui::View* host = syncAlertHost();
    return host && Alert::isShown(host);
  };
  screens.showAlert = [](const std::string& message, std::function<void()> ok) {
    ui::View* host = syncAlertHost();
    if (!host) {
      if (ok) ok();
      return;
    }
    Alert::ofTitle(localized(message), std::move(ok), nullptr)->showWithEscape(host);
    logDebug("sync: alert shown over the main window");
  };
  screens.reenterPassword = reenterPassword;
  // A session that ends after the bar was switched off leaves the bar's title in place.
  screens.sessionStateChanged = [](SyncClientScreens::SessionState) {
    if (SyncBar2::shared()->on()) SyncBar2::shared()->reload();
  };
  SyncNetworkClientWrapper::setScreens(std::move(screens));
}

}  // namespace

const SyncScreens::Parts& SyncScreens::install() {
  Parts& p = parts();
  p.bar = SyncBar2::shared();
  if (!p.startPanel) p.startPanel = StartDataSyncPanel::create();
  if (!p.devicesPanel) p.devicesPanel = SyncNetworkDevicesPanel::create();
  if (!p.switchPanel) p.switchPanel = SyncNetworkSwitchPanel::create();
  if (!p.passwordPanel) p.passwordPanel = SyncNetworkPasswordPanel::create();
  PanelCenter::shared().registerPanel(p.startPanel, kPanelDataSync);
  PanelCenter::shared().registerPanel(p.devicesPanel, kPanelSyncDevices);
  PanelCenter::shared().registerPanel(p.switchPanel, kPanelSyncSwitch);
  PanelCenter::shared().registerPanel(p.passwordPanel, kPanelSyncPassword);
  CreateOrJoinSyncNetworkController::setJoinPageFactory(
      [] { return ModalViewController::make<JoinSyncNetworkController>(); });

  // The serving handlers post it to the main queue themselves. A device connected or left: the devices
  // screen, when it is up, lists them again too.
  SyncWindowHooks::setReloadSyncBar([] {
    SyncBar2::shared()->reload();
    const std::shared_ptr<SyncNetworkDevicesPanel>& devices = parts().devicesPanel;
    if (devices && devices->isShown()) devices->page()->viewWillAppear();
  });
  installClientScreens();
  return p;
}

const SyncScreens::Parts& SyncScreens::installInto(const std::shared_ptr<MainViewController>& controller) {
  const Parts& p = install();
  if (auto column = std::dynamic_pointer_cast<Complement>(controller->chunkContent()->complement()))
    column->setSyncbar(p.bar);
  return p;
}

IFConfig::SyncBarHooks SyncScreens::syncBarHooks() {
  IFConfig::SyncBarHooks hooks;
  hooks.isSyncBarOn = [] { return SyncBar2::shared()->on(); };
  hooks.showNetworkUnsatisfiedAlert = [] {
    ui::View* host = syncAlertHost();
    if (!host || Alert::isShown(host)) return;
    auto alert = Alert::ofTitle(
        localized("data.sync.network.unsatisfied"), [] { SyncBar2::shared()->close(); }, nullptr);
    alert->showWithEscape(host);
  };
  return hooks;
}

void SyncScreens::resetForTesting() {
  SyncWindowHooks::setReloadSyncBar(nullptr);
  SyncNetworkClientWrapper::setScreens({});
  CreateOrJoinSyncNetworkController::setJoinPageFactory(nullptr);
  parts() = {};
  SyncBar2::resetForTesting();
}

}  // namespace vl
