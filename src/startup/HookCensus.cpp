#include "startup/HookCensus.h"

#include <functional>
#include <memory>

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/SearchHistory.h"
#include "VLEngine/search/Vellisto_DefaultDisplay.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/list/RowServices.h"
#include "Windows/Main/paste/PastePopoverViewController.h"
#include "Windows/Main/paste/PasteService.h"
#include "Windows/Main/placement/AppFrame.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Preferences/PreferencesViewController.h"
#include "Windows/Preferences/PreferencesWindow.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Sync/CreateOrJoinSyncNetworkController.h"
#include "capture/CaptureHooks.h"
#include "core/apps/AppInstalledManager.h"
#include "core/files/VLFileInfo.h"
#include "core/notify/VLAppNotifcationCenter.h"
#include "pins/PinManager.h"
#include "platform/foundation/DistributedNotificationCenter.h"
#include "platform/foundation/Log.h"
#include "platform/ui/graphics/ImageLoader.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/text/TextEngine.h"
#include "platform/ui/window/WindowServer.h"
#include "startup/AppDelegate.h"
#include "statusbar/VLStatusBar.h"
#include "sync/SyncWindowHooks.h"
#include "sync/client/SyncNetworkClientWrapper.h"
#include "sync/discovery/IFConfig.h"
#include "sync/discovery/PeripheralRole.h"
#include "sync/store/JoinDataSyncStore.h"
#include "think/Think.h"
#include "ui/VLTextField.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelTypes.h"
#include "ui/panels/PopoverCenter.h"

namespace vl {

namespace {

class Census {
 public:
  void add(std::string name, bool filled) { entries_.push_back({std::move(name), filled}); }
  template <typename F>
  void add(std::string name, const std::function<F>& hook) {
    add(std::move(name), static_cast<bool>(hook));
  }
  std::vector<HookEntry> take() { return std::move(entries_); }

 private:
  std::vector<HookEntry> entries_;
};

void startupSteps(Census& c) {
  const StartupHooks& h = AppDelegate::hooks();
  c.add("StartupHooks::produceStatusItem", h.produceStatusItem);
  c.add("StartupHooks::registerWindows", h.registerWindows);
  c.add("StartupHooks::registerPopover", h.registerPopover);
  c.add("StartupHooks::registerPanels", h.registerPanels);
  c.add("StartupHooks::registerSlides", h.registerSlides);
  c.add("StartupHooks::createNetworkConfiguration", h.createNetworkConfiguration);
  c.add("StartupHooks::enableAliasText", h.enableAliasText);
  c.add("StartupHooks::clearSearchInput", h.clearSearchInput);
  c.add("StartupHooks::cleanEscStack", h.cleanEscStack);
  c.add("StartupHooks::saveCreatedDataSyncNetworks", h.saveCreatedDataSyncNetworks);
  c.add("StartupHooks::sayGoodbyeIfJoined", h.sayGoodbyeIfJoined);
  c.add("StartupHooks::updateStatusIcon", h.updateStatusIcon);
}

void storeAndCapture(Census& c) {
  c.add("VLEngine::tabDirectory", VLEngine::shared().tabDirectory() != nullptr);
  c.add("Vellisto_DefaultDisplay::mainFontProvider", Vellisto_DefaultDisplay::hasMainFontProvider());
  c.add("SearchHistory::rowsProvider", SearchHistory::shared().hasRowsProvider());
  c.add("AppInstalledManager::recordStore", AppInstalledManager::shared().hasRecordStore());
  c.add("AppInstalledManager::installedBrowsersHandler",
        AppInstalledManager::shared().hasInstalledBrowsersHandler());
  c.add("VLAppNotifcationCenter::registerHotKeyHook",
        VLAppNotifcationCenter::shared().hasRegisterHotKeyHook());
  c.add("VLAppNotifcationCenter::snippetsStore", VLAppNotifcationCenter::shared().hasSnippetsStore());
  c.add("VLFileInfo::imageFileLoader", VLFileInfo::hasImageFileLoader());
  c.add("DistributedNotificationCenter::defaultDeliveryExecutor",
        DistributedNotificationCenter::hasDefaultDeliveryExecutor());
  const CaptureHooks::Installed capture = CaptureHooks::installed();
  c.add("CaptureHooks::windowAppear", capture.windowAppear);
  c.add("CaptureHooks::payAnimate", capture.payAnimate);
  c.add("CaptureHooks::syncChunk", capture.syncChunk);
  c.add("CaptureHooks::syncMergingCopy", capture.syncMergingCopy);
  const PinManager::BarHooks& bar = PinManager::shared().barHooks();
  c.add("PinManager::BarHooks::research", bar.research);
  c.add("PinManager::BarHooks::updateAddPinTabButtonState", bar.updateAddPinTabButtonState);
}

void statusItem(Census& c) {
  const VLStatusBar::WindowActions& windows = VLStatusBar::installedWindowActions();
  c.add("VLStatusBar::WindowActions::activeOrInactiveVellisto", windows.activeOrInactiveVellisto);
  c.add("VLStatusBar::WindowActions::toggleRecordWindow", windows.toggleRecordWindow);
  c.add("VLStatusBar::WindowActions::updateByMousePoint", windows.updateByMousePoint);
  const VLStatusBar::MenuActions& menu = VLStatusBar::installedMenuActions();
  c.add("VLStatusBar::MenuActions::centerMainWindow", menu.centerMainWindow);
  c.add("VLStatusBar::MenuActions::showWindowByKey", menu.showWindowByKey);
  c.add("VLStatusBar::quitAction", VLStatusBar::hasQuitAction());
}

void toolkit(Census& c) {
  const MainViewHooks& m = MainViewHooks::current();
  c.add("MainViewHooks::mainView", m.mainView);
  c.add("MainViewHooks::mainWindow", m.mainWindow);
  c.add("MainViewHooks::setPreviewSelection", m.setPreviewSelection);
  c.add("MainViewHooks::focusSearchInput", m.focusSearchInput);
  c.add("MainViewHooks::closeSyncBar", m.closeSyncBar);
  c.add("MainViewHooks::setSyncBarEnabled", m.setSyncBarEnabled);
  c.add("MainViewHooks::setToolbarEnabled", m.setToolbarEnabled);
  c.add("MainViewHooks::preferencesWindow", m.preferencesWindow);
  c.add("MainViewHooks::pastePopoverAnchor", m.pastePopoverAnchor);
  c.add("PopoverCenter::vellisto_popover_paste",
        PopoverCenter::shared().popoverForKey(kPopoverPaste) != nullptr);
  c.add("VLTextField::searchInputProvider", VLTextField::hasSearchInputProvider());
}

void historyWindows(Census& c) {
  const WindowCenter::Hooks& center = WindowCenter::shared().hooks();
  c.add("WindowCenter::Hooks::needPermissions", center.needPermissions);
  c.add("WindowCenter::Hooks::clearSearchInput", center.clearSearchInput);
  c.add("WindowCenter::Hooks::saveCreatedDataSyncNetworks", center.saveCreatedDataSyncNetworks);

  const PasteHooks& paste = PasteService::hooks();
  c.add("PasteHooks::setPasteChunk", paste.setPasteChunk);
  c.add("PasteHooks::accessibilityTrusted", paste.accessibilityTrusted);
  c.add("PasteHooks::directPasteGate", paste.directPasteGate);
  c.add("PasteHooks::showPermissionWindow", paste.showPermissionWindow);
  c.add("PasteHooks::showManualPastePopover", paste.showManualPastePopover);
  c.add("PasteHooks::activePinTabId", paste.activePinTabId);
  c.add("PasteHooks::didHide", paste.didHide);
  c.add("PastePopoverViewController::selectedTextSource",
        PastePopoverViewController::hasSelectedTextSource());
  c.add("RecordTable::pasteRoadBusy", RecordTable::hasPasteRoadBusy());

  c.add("RowServices::iconProvider", RowServices::hasIconProvider());
  c.add("RowServices::transferLookup", RowServices::looksForTransfers());
  c.add("RowServices::browserPath", RowServices::hasBrowserPath());

  const PreviewColumnHooks& column = PreviewColumnHooks::current();
  c.add("PreviewColumnHooks::list", column.list);
  c.add("PreviewColumnHooks::previewArea", column.previewArea);
  c.add("PreviewColumnHooks::activeTabId", column.activeTabId);
  c.add("PreviewColumnHooks::blocked", column.blocked);
  c.add("PreviewColumnHooks::setSearchEditable", column.setSearchEditable);
  c.add("PreviewColumnHooks::focusSearchInput", column.focusSearchInput);
  c.add("PreviewColumnHooks::alertHost", column.alertHost);
  c.add("PreviewColumnHooks::pinTabIds", column.pinTabIds);
  c.add("PreviewColumnHooks::showPinTabDetail", column.showPinTabDetail);
  c.add("PreviewColumnHooks::deletePinTab", column.deletePinTab);
  c.add("PreviewColumnHooks::moveForwardPinTab", column.moveForwardPinTab);
  c.add("PreviewColumnHooks::moveBackwardPinTab", column.moveBackwardPinTab);
  c.add("PreviewColumnHooks::nextPinTab", column.nextPinTab);
  c.add("PreviewColumnHooks::deleteRecordRow", column.deleteRecordRow);

  auto controller = std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController());
  c.add("QuickAccess::mainViewController", controller != nullptr);
  if (controller) {
    const HintTableHooks& list = controller->hintTable()->hooks();
    c.add("HintTableHooks::searchText", list.searchText);
    c.add("HintTableHooks::blocked", list.blocked);
    c.add("HintTableHooks::loadMore", list.loadMore);
    c.add("HintTableHooks::takeArrivalAnimation", list.takeArrivalAnimation);
    c.add("HintTableHooks::preview", list.preview);
    c.add("HintTableHooks::clearPreview", list.clearPreview);
    c.add("HintTableHooks::refreshThinkingBar", list.refreshThinkingBar);
    c.add("HintTableHooks::stashThinkingBar", list.stashThinkingBar);
    c.add("HintTableHooks::paste", list.paste);
    c.add("HintTableHooks::enableAliasText", list.enableAliasText);
    c.add("HintTableHooks::previewOff", list.previewOff);
    c.add("HintTableHooks::rowMenu", list.rowMenu);
    c.add("MainViewController::thinkingBarFocus", controller->thinkingBarFocus() != nullptr);
  }

  auto preferences = std::dynamic_pointer_cast<PreferencesWindow>(
      WindowCenter::shared().windowForKey(kPreferencesWindowKey));
  c.add("WindowCenter::vellisto_pref", preferences != nullptr);
  if (preferences) {
    const PreferencesHooks& pref = preferences->controller().hooks();
    c.add("PreferencesHooks::launchAtLogin", pref.launchAtLogin);
    c.add("PreferencesHooks::registerMainHotKey", pref.registerMainHotKey);
  }
}

// Device sync, below the windows, and its screens.
void deviceSync(Census& c) {
  c.add("SyncWindowHooks::reloadSyncBar", SyncWindowHooks::hasReloadSyncBar());
  c.add("SyncWindowHooks::refreshHistoryList", SyncWindowHooks::hasRefreshHistoryList());
  c.add("JoinDataSyncStore::sessionRenewer", JoinDataSyncStore::hasSessionRenewer());
  c.add("PeripheralRole::servedNetworkSource", PeripheralRole::hasServedNetworkSource());
  const IFConfig::SyncBarHooks bar = IFConfig::shared().syncBarHooks();
  c.add("IFConfig::isSyncBarOn", bar.isSyncBarOn);
  c.add("IFConfig::showNetworkUnsatisfiedAlert", bar.showNetworkUnsatisfiedAlert);
  const SyncClientScreens screens = SyncNetworkClientWrapper::installedScreens();
  c.add("SyncClientScreens::isSyncBarOn", screens.isSyncBarOn);
  c.add("SyncClientScreens::closeSyncBar", screens.closeSyncBar);
  c.add("SyncClientScreens::closeSyncBarOnlyOnUI", screens.closeSyncBarOnlyOnUI);
  c.add("SyncClientScreens::isAlertShown", screens.isAlertShown);
  c.add("SyncClientScreens::showAlert", screens.showAlert);
  c.add("SyncClientScreens::reenterPassword", screens.reenterPassword);
  c.add("SyncClientScreens::sessionStateChanged", screens.sessionStateChanged);
  c.add("CreateOrJoinSyncNetworkController::joinPageFactory",
        CreateOrJoinSyncNetworkController::hasJoinPageFactory());
}

void smartActions(Census& c) { c.add("Think::remindAction", Think::hasRemindAction()); }

// Installed by the desktop's backends, which a headless program goes without.
void desktop(Census& c) {
  if (!ui::WindowServer::installed()) return;
  c.add("ui::textEngine", ui::textEngine() != nullptr);
  c.add("ui::imageLoader", ui::hasImageLoader());
  c.add("ui::StatusBar::backend", ui::StatusBar::system().backend() != nullptr);
  c.add("AppFrame::pointerLocation", AppFrame::shared().hasPointerLocation());
}

}  // namespace

std::vector<HookEntry> hookCensus() {
  Census c;
  startupSteps(c);
  storeAndCapture(c);
  statusItem(c);
  toolkit(c);
  historyWindows(c);
  deviceSync(c);
  smartActions(c);
  desktop(c);
  return c.take();
}

void logEmptyHooks() {
  for (const HookEntry& entry : hookCensus()) {
    if (!entry.filled) logWarningf("start-up: the hook %s is left empty", entry.name.c_str());
  }
}

}  // namespace vl
