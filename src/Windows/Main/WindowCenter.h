#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/VLConstants.h"

namespace vl {

namespace ui {
class Window;
}

inline constexpr const char* kMainWindowKey = "vellisto_main";
inline constexpr const char* kAboutWindowKey = "vellisto_about";
inline constexpr const char* kPreferencesWindowKey = "vellisto_pref";
inline constexpr const char* kPermissionWindowKey = "vellisto_permission";
inline constexpr const char* kHelpWindowKey = "vellisto_help";

// The application's top-level windows by key, which of them is key now, and the show-and-hide toggle
// of the main window. Windows are registered once and never removed; closing one only orders it out.
// Main thread only.
class WindowCenter {
 public:
  // What the toggle needs of parts above this folder; start-up installs them, an empty one is skipped.
  struct Hooks {
    // Refreshes the accessibility-trusted flag before the main window shows.
    std::function<void()> needPermissions;
    std::function<void()> clearSearchInput;
    std::function<void()> saveCreatedDataSyncNetworks;
  };

  static WindowCenter& shared();
  void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
  const Hooks& hooks() const { return hooks_; }
  // Drops every window and the key window's name; the hooks stay.
  void resetForTesting();

  // Replaces any window registered under the key.
  void registerWindow(std::shared_ptr<ui::Window> window, const std::string& key);
  std::shared_ptr<ui::Window> windowForKey(const std::string& key) const;
  bool existWindowForKey(const std::string& key) const { return windowForKey(key) != nullptr; }
  // Whether the window under the key is showing; false when none is registered.
  bool windowAppear(const std::string& key) const;

  // Places the window by its key's rule and brings it front as key window. Any window but the main one
  // then closes every other registered window but the record window; the main window closes none. A key
  // without a window is logged and changes nothing.
  void showWindowByKey(const std::string& key);
  // Closes the window (never the record window, which only dismissRecord closes).
  void dismissWindowByKey(const std::string& key);
  void dismissWindowsExcept(const std::string& key);
  void dismissRecord();

  // Hides the main window when it is the key one, otherwise shows it with its Escape entry.
  void activeOrInactiveVellisto();
  // The main window goes as a paste leaves it: the search text, the Escape stack and the replayed
  // searches are forgotten and the focus returns to the application behind our windows.
  void hideVellisto();

  const std::string& currentKeyWindow() const { return currentKeyWindow_; }
  void setCurrentKeyWindow(std::string key) { currentKeyWindow_ = std::move(key); }

 private:
  WindowCenter() = default;
  // The main window goes; the keyboard goes back to the window of ours the user came from when
  // `backToOurs` and it still shows, else to the application behind our windows.
  void hideMain(bool backToOurs);
  // The query typed and the matches kept for it: the window comes back empty.
  void forgetQuery();
  void hide(bool backToOurs);
  // The key of the registered window that has the keyboard while this program is active; "" when none.
  std::string keyWindowKey() const;

  std::map<std::string, std::shared_ptr<ui::Window>> dict_;
  std::string currentKeyWindow_;
  // The window of ours that had the keyboard when the main window last showed; "" for another program.
  std::string cameFrom_;
  Hooks hooks_;
};

}  // namespace vl
