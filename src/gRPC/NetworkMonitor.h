#pragma once

#include <memory>

namespace vl {

class NetworkPathMonitor;

// Posted on the default notification centre, without a sender, with {"status": 1} when a usable path
// over the sync interface exists and {"status": 0} when it doesn't. Observers run on a global queue.
inline constexpr char kNetworkMonitorPathStatusChanged[] = "kNetworkMonitorPathStatusChanged";

// Announces the sync interface's path reports to the rest of the application.
class NetworkMonitor {
 public:
  // Makes the path monitor and installs its handler; reports flow only after start().
  NetworkMonitor();
  ~NetworkMonitor();
  NetworkMonitor(const NetworkMonitor&) = delete;
  NetworkMonitor& operator=(const NetworkMonitor&) = delete;

  void start();
  void stop();

 private:
  std::shared_ptr<NetworkPathMonitor> monitor_;
};

}  // namespace vl
