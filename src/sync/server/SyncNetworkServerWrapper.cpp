#include "sync/server/SyncNetworkServerWrapper.h"

#include "gRPC/Common/SyncDictionary.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/system/net/NetworkPathInterface.h"
#include "sync/server/ServerResponseMaker.h"

namespace vl {

namespace {

bool refuse(std::string* why, std::string reason) {
  logErrorf("sync server: not started: %s", reason.c_str());
  if (why) *why = std::move(reason);
  return false;
}

}  // namespace

SyncNetworkServerWrapper& SyncNetworkServerWrapper::shared() {
  static SyncNetworkServerWrapper wrapper;
  return wrapper;
}

SyncNetworkServerWrapper::SyncNetworkServerWrapper()
    : handler_(std::make_shared<ServerResponseMaker>()), server_(handler_) {}

bool SyncNetworkServerWrapper::start(std::string* why) {
  std::optional<NetworkInterfaceInfo> interface = syncInterface();
  if (!interface) return refuse(why, localized("data.sync.server.noInterface"));
  if (interface->ipv4.empty()) {
    return refuse(why, localizedFormat("data.sync.server.noAddress", interface->name));
  }
  return startWithIp(interface->ipv4, syncwire::syncPort(), why);
}

bool SyncNetworkServerWrapper::startWithIp(const std::string& ip, std::int64_t port, std::string* why) {
  if (ip.empty()) {
    close();
    return refuse(why, localized("data.sync.server.noInterface"));
  }
  server_.startWithIp(ip, port);
  if (!server_.isServing()) {
    stopExpiry();
    return refuse(why, localizedFormat("data.sync.server.bindFailed", ip + ":" + std::to_string(port)));
  }
  startExpiry();
  return true;
}

void SyncNetworkServerWrapper::close() {
  stopExpiry();
  server_.close();
}

void SyncNetworkServerWrapper::startExpiry() {
  if (expiry_) return;
  expiry_ = dispatch::TimerSource::create(dispatch::Queue::main());
  expiry_->schedule(kExpiryTickMs, kExpiryTickMs, kExpiryTickMs / 10);
  expiry_->setHandler([] { ServerResponseMaker::expireSilentDevices(); });
  expiry_->resume();
}

void SyncNetworkServerWrapper::stopExpiry() {
  if (!expiry_) return;
  expiry_->cancel();
  expiry_.reset();
}

bool SyncNetworkServerWrapper::isServing() const { return server_.isServing(); }

int SyncNetworkServerWrapper::boundPort() const { return server_.boundPort(); }

}  // namespace vl
