#pragma once

#include <functional>

namespace vl {

// What device sync asks of the windows above it: the sync bar's refresh and the history list's reload.
// Start-up installs the real ones; until then each is a no-op. Both run on the main thread only; sync
// code posts them there (SyncWindowHooks::post...).
class SyncWindowHooks {
 public:
  using Action = std::function<void()>;

  // Shows the current role's view again (a device connected or left).
  static void setReloadSyncBar(Action action);
  // Merged records arrived: when the main window's search field is empty, the unfiltered list loads
  // again.
  static void setRefreshHistoryList(Action action);
  static void reset();
  // Whether each is installed (start-up is checked for them).
  static bool hasReloadSyncBar();
  static bool hasRefreshHistoryList();

  // Main thread only.
  static void reloadSyncBar();
  static void refreshHistoryList();
};

}  // namespace vl
