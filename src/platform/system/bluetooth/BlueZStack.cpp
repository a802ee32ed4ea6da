#include "platform/system/bluetooth/BlueZStack.h"

#include <algorithm>

#include "platform/system/bluetooth/BlueZCentral.h"
#include "platform/system/bluetooth/BlueZPeripheral.h"
#include "platform/system/dbus/BusConnection.h"

namespace vl::bluetooth {

std::shared_ptr<BlueZStack> BlueZStack::create(std::string address) {
  return std::make_shared<BlueZStack>(std::move(address));
}

BlueZStack::BlueZStack(std::string address) : address_(std::move(address)) {}

BlueZStack::~BlueZStack() { close(); }

void BlueZStack::close() {
  if (bus_) bus_->close();
  bus_.reset();
}

std::shared_ptr<dbus::BusConnection> BlueZStack::connection() {
  if (bus_ && !bus_->isLost()) return bus_;
  if (bus_) bus_->close();
  bus_ = dbus::BusConnection::openSystem(address_);
  std::weak_ptr<BlueZStack> weak = weak_from_this();
  std::weak_ptr<dbus::BusConnection> lost = bus_;
  bus_->onLost([weak, lost] {
    auto stack = weak.lock();
    if (!stack) return;
    for (const auto& entry : stack->links_) {
      auto link = entry.lock();
      if (link && link->bus() == lost.lock()) link->busLost();
    }
  });
  return bus_;
}

void BlueZStack::track(const std::shared_ptr<BlueZLink>& link) {
  links_.erase(std::remove_if(links_.begin(), links_.end(), [](const auto& weak) { return weak.expired(); }),
               links_.end());
  links_.push_back(link);
}

std::shared_ptr<PeripheralManager> BlueZStack::makePeripheralManager(PeripheralManager::Handlers handlers) {
  auto manager = BlueZPeripheral::create(connection(), std::move(handlers));
  track(manager);
  return manager;
}

std::shared_ptr<CentralManager> BlueZStack::makeCentralManager(CentralManager::Handlers handlers) {
  auto manager = BlueZCentral::create(connection(), std::move(handlers));
  track(manager);
  return manager;
}

}  // namespace vl::bluetooth
