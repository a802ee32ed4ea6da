#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Windows/Preferences/PreferencesHooks.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Json.h"
#include "ui/tabbar/VLTabController.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

class PreferencesWindow;

// The six tabs (General, Shortcuts, Snippets, Security, Theme, Advanced) over the chosen pane. The tab
// shown last is remembered across launches, the window takes each pane's height with its top edge kept,
// and while the window shows, settings another process writes reach the panes within a second.
class PreferencesViewController : public VLViewController {
 public:
  static constexpr const char* kSelectedIndexKey = "pref_selected_index";
  static constexpr std::int64_t kTabCount = 6;
  // How often the shared settings file is looked at while the window shows.
  static constexpr double kSettingsPollMs = 1000;

  explicit PreferencesViewController(PreferencesHooks hooks = {});
  ~PreferencesViewController() override;

  PreferencesWindow* window() const { return window_; }
  const PreferencesHooks& hooks() const { return hooks_; }
  void setWindow(PreferencesWindow* window) { window_ = window; }
  // Built on first use with all six tabs.
  const std::shared_ptr<VLTabController>& tabController();

  void loadView() override;
  void viewWillAppear() override;
  void viewDidDisappear() override;
  void tabControllerDidChangeHeight(float height, VLTabBarItem& comingItem);

  // The stored tab, or 0 when none or one out of range is stored.
  static std::int64_t storedIndex();
  // Compares the shared settings with what the panes last read and reloads them when they differ.
  void checkSettings();

 private:
  class TabDelegate;
  void startWatching();
  void stopWatching();

  PreferencesHooks hooks_;
  PreferencesWindow* window_ = nullptr;
  std::shared_ptr<VLTabController> tabController_;
  std::shared_ptr<TabDelegate> tabDelegate_;
  std::shared_ptr<dispatch::TimerSource> poll_;
  Json seen_;
};

}  // namespace vl
