#include "Windows/Sync/SyncBar2.h"

#include "Windows/Sync/SyncClientLink.h"
#include "Windows/Sync/SyncLook.h"
#include "gRPC/Common/SyncDictionary.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/system/net/NetworkPathInterface.h"
#include "sync/server/SyncNetworkServerWrapper.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "sync/store/JoinDataSyncStore.h"
#include "theme/VLFont.h"
#include "theme/VLThemeManager.h"
#include "ui/alert/Alert.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/PanelCenter.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

namespace {

// The question before switching off; it says in the log when it is up, so a user's answer can follow.
class SwitchOffAlert : public Alert {
 public:
  using Alert::Alert;

 protected:
  void showDidEnd() override {
    Alert::showDidEnd();
    logDebug("sync bar: asking before switching off");
  }
  void dismissDidEnd() override {
    Alert::dismissDidEnd();
    logDebug("sync bar: answered");
  }
};

std::shared_ptr<SyncBar2>& sharedBar() {
  static std::shared_ptr<SyncBar2> bar;
  return bar;
}

}  // namespace

std::string whyCannotServe() {
  if (syncLocalAddress()) return "";
  std::optional<NetworkInterfaceInfo> interface = syncInterface();
  if (!interface) return localized("data.sync.server.noInterface");
  return localizedFormat("data.sync.server.noAddress", interface->name);
}

SyncBar2::SyncBar2(const ui::Rect& frame) : ThemeView(frame) {}

std::shared_ptr<SyncBar2> SyncBar2::create() {
  auto bar = std::make_shared<SyncBar2>();
  setBackgroundColorAssetKey(*bar, std::string("syncbarBackgroundColor"));
  bar->build();
  return bar;
}

const std::shared_ptr<SyncBar2>& SyncBar2::shared() {
  if (!sharedBar()) sharedBar() = create();
  return sharedBar();
}

void SyncBar2::resetForTesting() { sharedBar().reset(); }

void SyncBar2::build() {
  titleTextView_ = PassthroughAndArrowCursorTextView::create();
  titleTextView_->setEditable(false);
  titleTextView_->setSelectable(false);
  titleTextView_->setMaximumNumberOfLines(1);
  titleTextView_->setTextContainerInset({0, 0});
  titleTextView_->setAlignment(ui::TextAlignment::Left);
  titleTextView_->setFont(VLFont::mainFont());
  titleTextView_->setDrawsBackground(false);
  setTextColorAssetKey(*titleTextView_, "fontNormalColor");
  titleTextView_->setString(localized("sync.bar.unknown"));
  addSubview(titleTextView_);

  switchButton_ = ITSwitch::create();
  switchButton_->setTarget(shared_from_this());
  switchButton_->setAction("onAction:");
  setActionHandler("onAction:", [this](ui::ActionTarget*) { onAction(); });
  switchButton_->setTintColor(VLThemeManager::shared().colorForKey("accentColor"));
  addSubview(switchButton_);

  syncProviderView_ = SyncProviderView::create();
  syncProviderView_->setHidden(true);
  addSubview(syncProviderView_);
  syncClientView_ = SyncClientView::create();
  syncClientView_->setHidden(true);
  addSubview(syncClientView_);
  resizeSubviewsWithOldSize(frame().size);
}

void SyncBar2::resizeSubviewsWithOldSize(ui::Size oldSize) {
  ThemeView::resizeSubviewsWithOldSize(oldSize);
  if (!switchButton_) return;
  const double W = frame().width(), H = frame().height();
  titleTextView_->setFrame({20, (H - 18) / 2, 120, 18});
  switchButton_->setFrame({W - 60, (H - 25) / 2, 40, 25});
}

bool SyncBar2::blocked() const { return PanelCenter::shared().isShown(); }

void SyncBar2::openWithRole(std::uint64_t role) {
  if (role == RoleProvider) {
    // Advertising an address nobody can reach would only make joining devices fail later.
    const std::string why = whyCannotServe();
    if (!why.empty()) {
      logWarningf("sync bar: not serving: %s", why.c_str());
      role_ = RoleProvider;
      close();
      showSyncMessage(why);
      return;
    }
  }
  switchButton_->setChecked(true);
  role_ = role;
  if (role == RoleProvider) {
    syncProviderView_->setNotFindable(false);
    PeripheralRole& peripheral = PeripheralRole::shared();
    peripheral.setDelegate(std::static_pointer_cast<SyncBar2>(self()));
    peripheral.startProvide();
    log("sync bar: serving, advertising asked for");
  }
  showRoleView(role);
}

void SyncBar2::showRoleView(std::uint64_t role) {
  titleTextView_->setHidden(true);
  if (role == RoleProvider) {
    syncProviderView_->setHidden(false);
    syncClientView_->setHidden(true);
    syncProviderView_->reload();
  } else {
    syncProviderView_->setHidden(true);
    syncClientView_->setHidden(false);
    syncClientView_->reload();
  }
}

void SyncBar2::showTitle() {
  titleTextView_->setHidden(false);
  role_ = RoleNone;
}

bool SyncBar2::peripheralRoleDidStartAdvertising(PeripheralRole&) {
  if (role_ != RoleProvider) return true;
  SyncNetworkServerWrapper& server = SyncNetworkServerWrapper::shared();
  std::string why;
  std::optional<std::string> ip = syncLocalAddress();
  const bool started = ip ? server.startWithIp(*ip, syncwire::syncPort(), &why) : server.start(&why);
  if (started) {
    logf("sync bar: serving on port %d", server.boundPort());
    return true;
  }
  close();
  showSyncMessage(why);
  return true;
}

bool SyncBar2::peripheralRoleDidFailToAdvertise(PeripheralRole&, const std::string& error) {
  if (role_ != RoleProvider) return true;
  // Publishing and advertising may both fail: one alert says it.
  const bool told = syncProviderView_->notFindable();
  syncProviderView_->setNotFindable(true);
  logWarningf("sync bar: serving, but not findable: %s", error.c_str());
  if (!told) showSyncMessage(localized("data.sync.provider.advertisingRefused"));
  return true;
}

void SyncBar2::close() {
  switchButton_->setChecked(false);
  if (role_ == RoleProvider) {
    PeripheralRole::shared().stopProvide();
    SyncNetworkServerWrapper::shared().close();
    CreatedDataSyncStore& store = CreatedDataSyncStore::shared();
    if (CreatedDataSyncStore::Network network = store.currentProvider()) network->cleanConnectedStatus();
    store.setCurrentProvider(nullptr);
    syncProviderView_->setHidden(true);
    log("sync bar: stopped serving");
  } else {
    JoinDataSyncStore::shared().restoreCanNotAutoJoinByLimitReachedFlag();
    syncClientView_->setHidden(true);
    SyncClientLink& link = SyncClientLink::current();
    if (link.joinedNetworkName()) link.bye();
  }
  showTitle();
  log("sync bar: off");
}

void SyncBar2::closeOnlyOnUI() {
  switchButton_->setChecked(false);
  if (role_ == RoleProvider) {
    syncProviderView_->setHidden(true);
  } else {
    JoinDataSyncStore::shared().setCurrentJoin(std::nullopt);
    syncClientView_->setHidden(true);
  }
  showTitle();
}

void SyncBar2::reload() {
  if (!dispatch::MainLoop::isMainThread()) {
    std::weak_ptr<SyncBar2> weak = std::static_pointer_cast<SyncBar2>(self());
    // Posted, never waited for: a serving handler's thread must not wait for the main thread, which may
    // be stopping the server.
    dispatch::Queue::main()->async([weak] {
      if (auto bar = weak.lock()) bar->reload();
    });
    return;
  }
  showRoleView(role_);
}

void SyncBar2::setEnabled(bool enabled) {
  enabled_ = enabled;
  switchButton_->setEnabled(enabled);
}

void SyncBar2::onAction() {
  if (switchButton_->checked()) {
    // The role stays 0 until a screen opens the bar in one.
    PanelCenter::shared().showPanelByKey(kPanelDataSync);
    return;
  }
  confirmSwitchOff();
}

void SyncBar2::confirmSwitchOff() {
  ui::View* host = syncAlertHost();
  std::weak_ptr<SyncBar2> weak = std::static_pointer_cast<SyncBar2>(self());
  if (!host) {
    close();
    return;
  }
  auto alert = Alert::ofTitle<SwitchOffAlert>(
      localized("data.sync.provider.alert"),
      [weak] {
        auto bar = weak.lock();
        if (!bar) return;
        bar->close();
        focusMainSearchInput();
        if (auto panel = PanelCenter::shared().panelForKey(kPanelDataSync); panel && panel->isShown())
          panel->dismiss();
        SyncClientLink& link = SyncClientLink::current();
        if (link.joinedNetworkName()) link.bye();
      },
      [weak] {
        focusMainSearchInput();
        if (auto bar = weak.lock()) bar->switchButton_->setChecked(true);
      });
  // Escape answers as Cancel: the switch must not stay off while the network still runs.
  std::weak_ptr<Alert> weakAlert = alert;
  EscStack::shared().push([weakAlert](bool) {
    auto a = weakAlert.lock();
    if (!a || !a->superview()) return false;
    a->cancelButtonClick();
    return true;
  });
  alert->show(host);
}

}  // namespace vl
