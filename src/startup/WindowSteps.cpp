#include "startup/WindowSteps.h"

#include <memory>

#include "Windows/About/AboutWindow.h"
#include "Windows/About/HelpWindow.h"
#include "Windows/AutoPick/AutoPickSlides.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainView.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/paste/PastePopoverViewController.h"
#include "Windows/Main/paste/PasteService.h"
#include "Windows/Main/placement/AppFrame.h"
#include "Windows/Main/preview/Complement.h"
#include "Windows/Permission/PermissionWindow.h"
#include "Windows/Pins/PinScreens.h"
#include "Windows/Preferences/PreferencesWindow.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Record/RecordWindow.h"
#include "capture/CaptureHooks.h"
#include "capture/ClipboardListener.h"
#include "core/VLConfig.h"
#include "core/keys/LocalShortcutsManager.h"
#include "lookup/EmbededWebview.h"
#include "pins/PinManager.h"
#include "pins/PinTab.h"
#include "platform/foundation/Files.h"
#include "platform/system/PointerLocation.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/WindowServer.h"
#include "shortcuts/VLShortcutsButton.h"
#include "startup/AppDelegate.h"
#include "startup/RemindSteps.h"
#include "startup/WindowHooks.h"
#include "statusbar/VLStatusBar.h"
#include "think/bar/ThinkingBar.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PopoverCenter.h"

namespace vl {

namespace {

constexpr const char* kPastePopoverKey = "vellisto_popover_paste";

// Called when the step runs, so whatever the delegate holds then is used.
std::shared_ptr<MainViewController> mainController() {
  return std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController());
}

PasteHooks pasteHooks() {
  PasteHooks hooks;
  hooks.setPasteChunk = [](std::shared_ptr<Vellisto_Chunk> chunk) {
    ClipboardListener::shared().setPasteChunk(std::move(chunk));
  };
  hooks.accessibilityTrusted = [] {
    AppDelegate::needPermissions();
    return AppDelegate::accessibilityTrusted();
  };
  hooks.directPasteGate = [] { return AppDelegate::pass(); };
  hooks.showPermissionWindow = [] {
    const Json asked = VLConfig::shared().getValueOfKey(VLConfig::kPasteDirectly).value_or(Json(false));
    if (asked != Json(true)) return false;
    WindowCenter::shared().dismissWindowByKey(kMainWindowKey);
    WindowCenter::shared().showWindowByKey(kPermissionWindowKey);
    return true;
  };
  hooks.showManualPastePopover = [] { PopoverCenter::shared().showPopoverByKey(kPastePopoverKey, 5); };
  hooks.activePinTabId = [] {
    auto tab = PinManager::shared().activedTab();
    return tab ? tab->pinTabId() : std::string();
  };
  // Our hide only takes our windows away; what the application does after hiding follows it all the
  // same, or the record window would stay silent after the first paste from the main window.
  hooks.didHide = [] { AppDelegate::settleAfterHide(); };
  return hooks;
}

PreferencesHooks preferencesHooks() {
  PreferencesHooks hooks;
  hooks.launchAtLogin = [](bool enabled) {
    auto delegate = AppDelegate::mySelf();
    return delegate && delegate->launchAtLogin(enabled);
  };
  // The pane's recorder stands for the main hot key whatever id an empty stored value carried.
  hooks.registerMainHotKey = [](const HokeyStruct& value) {
    (void)VLStatusBar::shared().registerHotKeysWithID(  // it tells the user itself
        VLStatusBar::kMainHotKeyID, "", value.keyCode,
        VLShortcutsButton::convertModifierToKey(value.modifierFlags), value.doubleTap);
  };
  return hooks;
}

template <auto Member>
void runDelegateStep() {
  const auto& step = AppDelegate::hooks().*Member;
  if (step) step();
}

}  // namespace

void registerHistoryWindows() {
  // Escape reaches the close blocks on its own: the stack signs up with the in-window shortcut names.
  EscStack::shared();
  WindowCenter& center = WindowCenter::shared();
  center.setHooks({
      [] { AppDelegate::needPermissions(); },
      runDelegateStep<&StartupHooks::clearSearchInput>,
      runDelegateStep<&StartupHooks::saveCreatedDataSyncNetworks>,
  });

  // Before the first click the main window opens where the pointer is.
  if (ui::WindowServer::installed()) AppFrame::shared().setPointerLocation(pointerLocationSource());

  auto main = MainWindow::create();
  auto controller = MainViewController::create();
  // The bar has to be in before the controller stacks its parts, which happens when its view loads.
  PinScreens::installInto(controller);
  ThinkingBar::installInto(controller);
  // The bar's reminder action, and the reminders set in earlier runs armed again.
  installReminders(files::homeDirectory());
  main->setContentViewController(controller);
  PasteService::setHooks(pasteHooks());
  center.registerWindow(main, kMainWindowKey);

  MainViewHooks panels = MainViewHooks::current();
  panels.mainView = []() -> ui::View* {
    auto shown = QuickAccess::mainViewController();
    return shown ? shown->view().get() : nullptr;
  };
  panels.mainWindow = [] { return WindowCenter::shared().windowForKey(kMainWindowKey).get(); };
  MainViewHooks::install(panels);

  RecordWindow::registerRecordWindow();
  // The paste road shows it when direct paste is on and keys cannot be posted.
  PermissionWindow::registerPermissionWindow();
  PreferencesWindow::registerPreferencesWindow(preferencesHooks());
  AboutWindow::registerAboutWindow();
  HelpWindow::registerHelpWindow();
  // The search row's preview shows the web search.
  installLookupViews();
  // Capture only ever asks about the record window, from its own queue.
  CaptureHooks::setWindowAppear(
      [](const std::string& key) { return key == kRecordWindowKey && RecordWindow::isShown(); });
  RecordTable::setPasteRoadBusy([] { return PasteService::pasting(); });
  installWindowHooks();

  VLStatusBar::WindowActions actions;
  actions.activeOrInactiveVellisto = [] {
    WindowCenter& windows = WindowCenter::shared();
    windows.activeOrInactiveVellisto();
    if (windows.currentKeyWindow() != kMainWindowKey) return;
    if (auto shown = mainController()) shown->searchInputBecomeFirstResponder();
  };
  actions.toggleRecordWindow = toggleRecordWindow;
  actions.updateByMousePoint = [](ui::Point point) {
    AppFrame::shared().updateByMousePoint(point);
    // The record window remembers its place per screen too: the one last clicked is where it opens.
    auto record =
        std::dynamic_pointer_cast<RecordWindow>(WindowCenter::shared().windowForKey(kRecordWindowKey));
    if (DragStore* store = record ? record->dragStore() : nullptr) store->updateByMousePoint(point);
  };
  VLStatusBar::setWindowActions(std::move(actions));
  VLStatusBar::MenuActions menu;
  menu.centerMainWindow = [] { AppFrame::shared().center(); };
  menu.showWindowByKey = [](const std::string& key) { WindowCenter::shared().showWindowByKey(key); };
  VLStatusBar::setMenuActions(std::move(menu));
}

void registerPastePopover() {
  auto popover = PastePopover::create();
  popover->setContentSize({300, 160});
  popover->setAnimates(true);
  auto content = PastePopoverViewController::create();
  content->setPopover(popover);
  popover->setContentViewController(content);
  PopoverCenter::shared().registerPopover(popover, kPastePopoverKey);
}

void installWindowSteps(StartupHooks& hooks) {
  if (!hooks.registerWindows) hooks.registerWindows = registerHistoryWindows;
  if (!hooks.registerPopover) hooks.registerPopover = registerPastePopover;
  if (!hooks.registerSlides) hooks.registerSlides = registerAutoPickSlides;
  if (!hooks.clearSearchInput)
    hooks.clearSearchInput = [] {
      if (auto controller = mainController()) controller->searchInput()->clear();
    };
  if (!hooks.cleanEscStack) hooks.cleanEscStack = [] { EscStack::shared().clean(); };
  if (!hooks.enableAliasText)
    hooks.enableAliasText = [](bool enabled) {
      auto controller = mainController();
      auto column = controller
                        ? std::dynamic_pointer_cast<Complement>(controller->chunkContent()->complement())
                        : nullptr;
      if (column) column->toolbar()->enableAlaisText(enabled);
    };
}

}  // namespace vl
