#include "Windows/Preferences/PreferencesWindow.h"

#include "Windows/Main/WindowCenter.h"
#include "Windows/Preferences/PreferencesViewController.h"
#include "platform/foundation/NotificationCenter.h"
#include "statusbar/HotkeyTextField.h"
#include "theme/VLThemeCategories.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

// Titled and closable, and neither resizable nor miniaturisable: only the tabs change its size. It takes
// the keyboard like any window, since the panes hold a text field and the hot key recorder.
// Its name stays whatever tab shows: a task switcher lists the window, not the tab.
PreferencesWindow::PreferencesWindow(const ui::Rect& contentRect)
    : VLWindow(contentRect, ui::WindowStyle::Titled | ui::WindowStyle::Closable) {
  setTitle(kTitle);
}

std::shared_ptr<PreferencesWindow> PreferencesWindow::registerPreferencesWindow(PreferencesHooks hooks) {
  auto window = std::make_shared<PreferencesWindow>(ui::Rect{0, 0, kInitialWidth, kInitialHeight});
  // The panes are transparent; the window's colour follows the theme and light or dark (which needs the
  // window owned, hence here and not in the constructor).
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  themeManager(*window);
  auto controller = std::make_shared<PreferencesViewController>(std::move(hooks));
  controller->setWindow(window.get());
  window->setContentViewController(controller);
  WindowCenter::shared().registerWindow(window, kPreferencesWindowKey);
  MainViewHooks panels = MainViewHooks::current();
  panels.preferencesWindow = [] { return WindowCenter::shared().windowForKey(kPreferencesWindowKey).get(); };
  MainViewHooks::install(std::move(panels));
  return window;
}

PreferencesViewController& PreferencesWindow::controller() const {
  return static_cast<PreferencesViewController&>(*contentViewController());
}

void PreferencesWindow::close() {
  setAppear(false);
  NotificationCenter::defaultCenter().post(HotkeyTextField::kShouldStopMonitor);
  orderOut();
}

void PreferencesWindow::becomeKeyWindow() {
  setAppear(true);
  WindowCenter::shared().setCurrentKeyWindow(kPreferencesWindowKey);
  NotificationCenter::defaultCenter().post(kSnippetsShouldReload);
}

void PreferencesWindow::resignMainWindow() {
  NotificationCenter::defaultCenter().post(HotkeyTextField::kShouldStopMonitor);
}

}  // namespace vl
