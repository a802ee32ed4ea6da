#include "sync/discovery/PeripheralRole.h"

#include "core/VLDevice.h"
#include "gRPC/Common/SyncDictionary.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Mutex.h"
#include "sync/discovery/CharacteristicValueBean.h"
#include "sync/discovery/IFConfig.h"

namespace vl {

namespace {

struct Source {
  Mutex mutex;
  PeripheralRole::ServedNetworkSource served VL_GUARDED_BY(mutex);
};

Source& source() {
  static auto* installed = new Source();
  return *installed;
}

}  // namespace

void PeripheralRole::setServedNetworkSource(ServedNetworkSource served) {
  Source& installed = source();
  MutexLock lock(installed.mutex);
  installed.served = std::move(served);
}

bool PeripheralRole::hasServedNetworkSource() {
  Source& installed = source();
  MutexLock lock(installed.mutex);
  return static_cast<bool>(installed.served);
}

PeripheralRole& PeripheralRole::shared() {
  static auto* role = new PeripheralRole();
  return *role;
}

PeripheralRole::PeripheralRole(std::shared_ptr<bluetooth::BluetoothStack> stack) : stack_(std::move(stack)) {}

std::string PeripheralRole::getCharacteristicValue() const {
  CharacteristicValueBean bean;
  bean.setIp(IFConfig::shared().localIP().value_or(""));
  bean.setPort(syncwire::syncPort());
  ServedNetworkSource served;
  {
    Source& installed = source();
    MutexLock lock(installed.mutex);
    served = installed.served;
  }
  if (auto network = served ? served() : std::nullopt) {
    bean.setNetworkId(network->identifier);
    bean.setNetworkName(network->name);
  }
  bean.setDeviceName(VLDevice::name());
  return bean.jsonData();
}

void PeripheralRole::startProvide() {
  stopProvide();
  const std::string value = getCharacteristicValue();
  myService_ =
      bluetooth::GattService{kSyncServiceUUID, kSyncCharacteristicUUID, {value.begin(), value.end()}};
  auto stack = stack_ ? stack_ : bluetooth::BluetoothStack::installed();
  peripheralManager_ = stack->makePeripheralManager(
      {[this](bluetooth::ManagerState state) { peripheralManagerDidUpdateState(state); },
       [this](const std::string& error) {
         if (!error.empty()) didFail("Error publishing service", error);
       },
       [this](const std::string& error) {
         if (!error.empty()) didFail("Error advertising", error);
       }});
}

void PeripheralRole::didFail(const char* what, const std::string& error) {
  logErrorf("%s: %s", what, error.c_str());
  // The manager reports only while it lives, and the role drops it when it stops providing.
  if (auto delegate = delegate_.lock()) delegate->peripheralRoleDidFailToAdvertise(*this, error);
}

void PeripheralRole::stopProvide() {
  if (!peripheralManager_) return;
  peripheralManager_->stopAdvertising();
  peripheralManager_->removeAllServices();
  // The manager goes too, so a radio that comes back on after the bar was closed publishes nothing.
  peripheralManager_.reset();
  myService_.reset();
}

void PeripheralRole::peripheralManagerDidUpdateState(bluetooth::ManagerState state) {
  if (!peripheralManager_ || !myService_) return;
  logf("bluetooth: the serving side's radio is %s", bluetooth::stateName(state));
  if (state == bluetooth::ManagerState::PoweredOn) {
    peripheralManager_->removeAllServices();
    peripheralManager_->addService(*myService_);
    peripheralManager_->startAdvertising({kSyncServiceUUID});
    // Told at once, without waiting for the advertisement to be confirmed: the sync bar starts its
    // server here.
    if (auto delegate = delegate_.lock()) delegate->peripheralRoleDidStartAdvertising(*this);
  } else if (state == bluetooth::ManagerState::PoweredOff) {
    peripheralManager_->removeAllServices();
    peripheralManager_->stopAdvertising();
  }
}

}  // namespace vl
