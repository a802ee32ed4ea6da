#include "gRPC/NetworkMonitor.h"

#include <cstdint>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/net/NetworkPathMonitor.h"

namespace vl {

NetworkMonitor::NetworkMonitor() : monitor_(NetworkPathMonitor::create()) {
  if (!monitor_) return;
  monitor_->setUpdateHandler([](NetworkPathStatus status) {
    // A path that needs a connection first is neither; nobody is told about it.
    if (status == NetworkPathStatus::RequiresConnection) return;
    const std::int64_t value = status == NetworkPathStatus::Satisfied ? 1 : 0;
    NotificationCenter::defaultCenter().post(kNetworkMonitorPathStatusChanged, nullptr,
                                             Json{{"status", value}});
  });
}

NetworkMonitor::~NetworkMonitor() { stop(); }

void NetworkMonitor::start() {
  if (monitor_) monitor_->start(dispatch::Queue::global());
}

void NetworkMonitor::stop() {
  if (monitor_) monitor_->cancel();
}

}  // namespace vl
