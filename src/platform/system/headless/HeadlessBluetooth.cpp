#include "platform/system/headless/HeadlessBluetooth.h"

#include <utility>

#include "platform/dispatch/Dispatch.h"

namespace vl::bluetooth {

namespace {

// Reports Unsupported on the main queue unless the manager is gone by then.
template <typename Manager>
void reportUnsupported(const std::shared_ptr<Manager>& manager, std::function<void(ManagerState)> handler) {
  if (!handler) return;
  std::weak_ptr<Manager> weak = manager;
  dispatch::Queue::main()->async([weak, handler = std::move(handler)] {
    if (weak.lock()) handler(ManagerState::Unsupported);
  });
}

class HeadlessPeripheral final : public PeripheralManager {
 public:
  void addService(const GattService&) override {}
  void removeAllServices() override {}
  void startAdvertising(const std::vector<std::string>&) override {}
  void stopAdvertising() override {}
};

class HeadlessCentral final : public CentralManager {
 public:
  void scanForPeripherals(const std::string&) override {}
  void stopScan() override {}
  void readCharacteristic(const Peripheral&, const std::string&, const std::string&, ReadHandlers) override {}
};

}  // namespace

std::shared_ptr<PeripheralManager> HeadlessBluetoothStack::makePeripheralManager(
    PeripheralManager::Handlers handlers) {
  auto manager = std::make_shared<HeadlessPeripheral>();
  reportUnsupported(manager, std::move(handlers.stateChanged));
  return manager;
}

std::shared_ptr<CentralManager> HeadlessBluetoothStack::makeCentralManager(
    CentralManager::Handlers handlers) {
  auto manager = std::make_shared<HeadlessCentral>();
  reportUnsupported(manager, std::move(handlers.stateChanged));
  return manager;
}

}  // namespace vl::bluetooth
