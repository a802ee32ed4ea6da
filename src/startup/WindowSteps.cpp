#include "startup/WindowSteps.h"

#include <memory>

#include "Windows/Main/AppFrame.h"
#include "Windows/Main/MainView.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/PastePopoverViewController.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Record/RecordWindow.h"
#include "capture/CaptureHooks.h"
#include "capture/ClipboardListener.h"
#include "core/LocalShortcutsManager.h"
#include "platform/system/PointerLocation.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/WindowServer.h"
#include "startup/AppDelegate.h"
#include "statusbar/VLStatusBar.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PopoverCenter.h"

namespace vl {

namespace {

constexpr const char* kPastePopoverKey = "vellisto_popover_paste";

// Called when the step runs, so whatever the delegate holds then is used.
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
  main->setContentViewController(EmptyMainViewController::create());
  center.registerWindow(main, kMainWindowKey);

  MainViewHooks panels = MainViewHooks::current();
  panels.mainView = []() -> ui::View* {
    auto controller = QuickAccess::mainViewController();
    return controller ? controller->view().get() : nullptr;
  };
  panels.mainWindow = [] { return WindowCenter::shared().windowForKey(kMainWindowKey).get(); };
  MainViewHooks::install(panels);

  RecordWindow::registerRecordWindow();
  // Capture only ever asks about the record window, from its own queue.
  CaptureHooks::setWindowAppear(
      [](const std::string& key) { return key == kRecordWindowKey && RecordWindow::isShown(); });
  RecordTable::setPasteRoadBusy([] { return ClipboardListener::shared().pasteChunk() != nullptr; });

  VLStatusBar::WindowActions actions;
  actions.activeOrInactiveVellisto = [] { WindowCenter::shared().activeOrInactiveVellisto(); };
  actions.toggleRecordWindow = toggleRecordWindow;
  actions.updateByMousePoint = [](ui::Point point) { AppFrame::shared().updateByMousePoint(point); };
  VLStatusBar::setWindowActions(std::move(actions));
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
  if (!hooks.cleanEscStack) hooks.cleanEscStack = [] { EscStack::shared().clean(); };
}

}  // namespace vl
