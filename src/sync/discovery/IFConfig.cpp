#include "sync/discovery/IFConfig.h"

#include "gRPC/NetworkMonitor.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/system/net/NetworkPathInterface.h"

namespace vl {

void IFConfig::setSyncBarHooks(SyncBarHooks hooks) {
  MutexLock lock(mutex_);
  syncBarHooks_ = std::move(hooks);
}

IFConfig::SyncBarHooks IFConfig::syncBarHooks() const {
  MutexLock lock(mutex_);
  return syncBarHooks_;
}

IFConfig& IFConfig::shared() {
  static auto* config = new IFConfig();
  return *config;
}

IFConfig::IFConfig()
    : networkMonitor_(std::make_unique<NetworkMonitor>()), alive_(std::make_shared<IFConfig*>(this)) {
  // The report arrives on the monitor's queue; status and the address are the main thread's, so the
  // whole reaction runs there and nobody waits for it.
  std::weak_ptr<IFConfig*> weak = alive_;
  observation_ = NotificationCenter::defaultCenter().observe(
      kNetworkMonitorPathStatusChanged, nullptr, [weak](const Notification& note) {
        const Json& info = note.userInfo;
        if (!info.is_object() || !info.contains("status") || !info["status"].is_number_integer()) return;
        const auto status = info["status"].get<std::int64_t>();
        dispatch::Queue::main()->async([weak, status] {
          if (auto self = weak.lock()) (*self)->networkDidChanged(status);
        });
      });
  networkMonitor_->start();
}

IFConfig::~IFConfig() {
  observation_.reset();
  networkMonitor_->stop();
}

std::optional<std::string> IFConfig::localIP() {
  MutexLock lock(mutex_);
  if (localIP_) return localIP_;
  std::optional<std::string> address;
  if (auto interface = syncInterface(); interface && !interface->ipv4.empty()) address = interface->ipv4;
  logDebugf("local IP：%s", address ? address->c_str() : "(null)");
  localIP_ = address;
  return address;
}

void IFConfig::networkDidChanged(std::int64_t status) {
  if (status == status_) return;
  status_ = status;
  if (status == 1) {
    logDebug("network connected.");
    return;
  }
  {
    MutexLock lock(mutex_);
    localIP_.reset();
  }
  logDebug("network disconnected.");
  turnOffSyncNetworkIfNeeded();
}

void IFConfig::turnOffSyncNetworkIfNeeded() {
  SyncBarHooks hooks;
  {
    MutexLock lock(mutex_);
    hooks = syncBarHooks_;
  }
  if (!hooks.isSyncBarOn || !hooks.isSyncBarOn()) return;
  if (hooks.showNetworkUnsatisfiedAlert) hooks.showNetworkUnsatisfiedAlert();
}

}  // namespace vl
