#include "Windows/Main/WindowCenter.h"

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/SearchHistory.h"
#include "Windows/Main/placement/AppFrame.h"
#include "Windows/Main/placement/DragStore.h"
#include "Windows/Main/placement/VLWindowFraming.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/system/CrashAnalyticsService.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"
#include "ui/VLWindow.h"
#include "ui/panels/EscStack.h"

namespace vl {

namespace {

template <typename F>
void run(const F& hook) {
  if (hook) hook();
}

}  // namespace

WindowCenter& WindowCenter::shared() {
  static WindowCenter* center = new WindowCenter();  // read by window callbacks until exit
  return *center;
}

void WindowCenter::resetForTesting() {
  dict_.clear();
  currentKeyWindow_.clear();
}

void WindowCenter::registerWindow(std::shared_ptr<ui::Window> window, const std::string& key) {
  VL_DCHECK_ON_MAIN();
  dict_[key] = std::move(window);
}

std::shared_ptr<ui::Window> WindowCenter::windowForKey(const std::string& key) const {
  VL_DCHECK_ON_MAIN();
  auto it = dict_.find(key);
  return it == dict_.end() ? nullptr : it->second;
}

bool WindowCenter::windowAppear(const std::string& key) const {
  std::shared_ptr<ui::Window> window = windowForKey(key);
  if (!window) return false;
  if (auto* w = dynamic_cast<VLWindow*>(window.get())) return w->appear();
  if (auto* p = dynamic_cast<VLPanel*>(window.get())) return p->appear();
  return window->isVisible();
}

void WindowCenter::showWindowByKey(const std::string& key) {
  VL_DCHECK_ON_MAIN();
  std::shared_ptr<ui::Window> window = windowForKey(key);
  if (!window) {
    logWarningf("show window: nothing is registered under \"%s\"", key.c_str());
    return;
  }
  AppFrame& frame = AppFrame::shared();
  const ui::Size size = window->frame().size;
  // Windows with a place of their own open inside the work area of the active screen, clear of its bars
  // and docks; one already on screen that lies there stays where the user put it.
  const ui::Rect area = origins::visibleFrameOf(frame.activeScreenFrame());
  const bool keepsItsPlace = window->isVisible() && area.contains(window->frame());
  auto place = [&](const ui::Rect& wanted) {
    if (!keepsItsPlace) window->setFrame(origins::fitInside(wanted, area), true);
  };
  if (key == kMainWindowKey) {
    window->setFrame(frame.getFull(), true);
  } else if (key == kAboutWindowKey || key == kPreferencesWindowKey) {
    place(frame.horizontalCenterOfFrame(size, 220));
  } else if (key == kPermissionWindowKey) {
    place(frame.horizontalCenterOfFrame(size, 150));
  } else if (key == kHelpWindowKey) {
    place(frame.horizontalCenterOfFrameMarginRight(size, 150, 200));
  } else if (key == kRecordWindowKey) {
    // Its remembered place is the user's: kept where it fits.
    auto* framing = dynamic_cast<VLWindowFraming*>(window.get());
    if (DragStore* store = framing ? framing->dragStore() : nullptr)
      window->setFrame(origins::fitInside(store->getFrame(), area), true);
  }
  // A non-activating panel shows over whatever application the user works in and leaves it the
  // keyboard; everything else brings this program forward.
  ui::Application& app = ui::Application::shared();
  const bool nonactivating = (window->styleMask() & ui::WindowStyle::NonactivatingPanel) != 0;
  if (!nonactivating && !app.isActive()) app.activate();
  if (window->canBecomeKeyWindow()) {
    window->makeKeyAndOrderFront();
  } else {
    window->orderFront();
  }
  // The main window comes and goes over the user's work; Preferences, About and Help are windows of
  // their own on this desktop and stay beside it. Any other window shown closes the others, the main
  // window among them.
  if (key != kMainWindowKey) dismissWindowsExcept(key);
  if (key != kRecordWindowKey) currentKeyWindow_ = key;
}

void WindowCenter::dismissWindowByKey(const std::string& key) {
  VL_DCHECK_ON_MAIN();
  if (key == kRecordWindowKey) return;
  if (std::shared_ptr<ui::Window> window = windowForKey(key)) window->close();
  currentKeyWindow_.clear();
}

void WindowCenter::dismissWindowsExcept(const std::string& key) {
  VL_DCHECK_ON_MAIN();
  std::vector<std::string> keys;
  for (const auto& entry : dict_) keys.push_back(entry.first);
  for (const std::string& other : keys) {
    if (other != key) dismissWindowByKey(other);
  }
}

void WindowCenter::dismissRecord() {
  VL_DCHECK_ON_MAIN();
  if (std::shared_ptr<ui::Window> window = windowForKey(kRecordWindowKey)) window->close();
}

std::string WindowCenter::keyWindowKey() const {
  const ui::Application& app = ui::Application::shared();
  if (!app.isActive() || !app.keyWindow()) return "";
  for (const auto& [key, window] : dict_) {
    if (window.get() == app.keyWindow()) return key;
  }
  return "";
}

void WindowCenter::hideMain(bool backToOurs) {
  const bool wasShown = windowAppear(kMainWindowKey);
  std::shared_ptr<ui::Window> back = backToOurs && !cameFrom_.empty() ? windowForKey(cameFrom_) : nullptr;
  const std::string backKey = cameFrom_;
  cameFrom_.clear();
  if (wasShown && back && back->isVisible() && back->canBecomeKeyWindow()) {
    // Asked before the main window goes, so the focus never passes through the application behind on its
    // way back.
    back->makeKeyAndOrderFront();
    dismissWindowByKey(kMainWindowKey);
    currentKeyWindow_ = backKey;
    return;
  }
  // The window server hands the keyboard back to the window the user came from as the main window goes,
  // without waiting for it to arrive: the next hot key must not wait on a window that never takes it. A
  // paste waits for it itself, before its keys.
  dismissWindowByKey(kMainWindowKey);
}

void WindowCenter::hide(bool backToOurs) {
  VL_DCHECK_ON_MAIN();
  hideMain(backToOurs);
  forgetQuery();
  EscStack::shared().clean();
  run(hooks_.saveCreatedDataSyncNetworks);
}

void WindowCenter::forgetQuery() {
  run(hooks_.clearSearchInput);
  SearchHistory::shared().clean();
}

void WindowCenter::hideVellisto() { hide(false); }

void WindowCenter::activeOrInactiveVellisto() {
  VL_DCHECK_ON_MAIN();
  // Only a main window still on screen is hidden: one another client destroyed under it is shown again.
  std::shared_ptr<ui::Window> main = windowForKey(kMainWindowKey);
  if (currentKeyWindow_ == kMainWindowKey && main && main->isVisible()) {
    hide(true);
    return;
  }
  // Preferences, About or Help with the keyboard: the main window comes over it and gives the keyboard
  // back to it when it goes. Shown again while it already shows, it keeps where the user first came from.
  if (const std::string from = keyWindowKey(); from != kMainWindowKey) cameFrom_ = from;
  run(hooks_.needPermissions);
  VLEngine::shared().noneInput();
  // Emptied when the program resigns: the user gave the keyboard to another application, which keeps it.
  EscStack::shared().push([](bool cleaning) {
    WindowCenter& center = WindowCenter::shared();
    if (center.currentKeyWindow() != kMainWindowKey) return false;
    center.hideMain(!cleaning);
    // As the hot key's hide does: the program resigning forgets the query too, but the hot key pressed
    // again before that shows the window without resigning, and it must come back empty.
    if (!cleaning) center.forgetQuery();
    return true;
  });
  showWindowByKey(kMainWindowKey);
  CrashAnalyticsService::shared().trackEvent("active");
}

}  // namespace vl
