#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/ui/graphics/Geometry.h"

namespace vl {

namespace ui {
class View;
class Window;
}  // namespace ui

// What panels, slides and alerts need of the main window, whose folder sits above this one. Start-up
// installs the main window's answers; every member may stay empty (tests, or before the window exists),
// and an empty member does nothing.
struct MainViewHooks {
  // The main view controller's view: where panels drop down.
  std::function<ui::View*()> mainView;
  // The window registered as the main window.
  std::function<ui::Window*()> mainWindow;
  std::function<void(bool)> setPreviewSelection;
  // true: the search input takes the keyboard focus; false: it gives it up.
  std::function<void(bool)> focusSearchInput;
  std::function<void()> closeSyncBar;
  std::function<void(bool)> setSyncBarEnabled;
  std::function<void(bool)> setToolbarEnabled;
  // The window registered as the preferences window (its title bar's height sizes the tab pages).
  std::function<ui::Window*()> preferencesWindow;
  // Where on screen the paste popover shows, in screen points: the status item's icon when the tray
  // tells where it is, else where the pointer is; nullopt when neither is known.
  std::function<std::optional<ui::Rect>()> pastePopoverAnchor;

  static const MainViewHooks& current();
  // An empty set of hooks restores the default (all empty).
  static void install(MainViewHooks hooks);

  ui::View* mainViewOrNull() const { return mainView ? mainView() : nullptr; }
};

}  // namespace vl
