#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Mutex.h"
#include "platform/foundation/NotificationCenter.h"

namespace vl {

class NetworkMonitor;

// This device's own IPv4 address on the sync interface (VELLISTO_SYNC_IFACE, else the interface of the
// default route), cached, and the watch over that interface's path: when it goes, the cached address is
// cleared and, while the sync bar is on, an alert offers to close the bar. Created at launch.
class IFConfig {
 public:
  // What the watch needs of the sync bar, which sits above this folder; installed by the sync screens.
  // Without them the bar counts as off and no alert shows.
  struct SyncBarHooks {
    std::function<bool()> isSyncBarOn;
    // Shows the "data.sync.network.unsatisfied" alert over the main window, whose OK closes the sync bar,
    // unless an alert is shown there already.
    std::function<void()> showNetworkUnsatisfiedAlert;
  };
  void setSyncBarHooks(SyncBarHooks hooks);
  SyncBarHooks syncBarHooks() const;

  static IFConfig& shared();
  // Starts the watch.
  IFConfig();
  ~IFConfig();
  IFConfig(const IFConfig&) = delete;
  IFConfig& operator=(const IFConfig&) = delete;

  // The cached address, else the one read now (and cached); none when the interface has none. Any thread.
  std::optional<std::string> localIP();
  // -1 until the first path report, then 1 (usable) or 0 (not usable). Main thread.
  std::int64_t status() const { return status_; }

 private:
  void networkDidChanged(std::int64_t status);
  void turnOffSyncNetworkIfNeeded();

  mutable Mutex mutex_;  // a leaf lock
  SyncBarHooks syncBarHooks_ VL_GUARDED_BY(mutex_);
  std::optional<std::string> localIP_ VL_GUARDED_BY(mutex_);
  std::int64_t status_ = -1;
  std::unique_ptr<NetworkMonitor> networkMonitor_;
  std::shared_ptr<IFConfig*> alive_;  // blocks posted to the main queue hold it weakly
  Observation observation_;
};

}  // namespace vl
