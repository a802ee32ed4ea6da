#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl::dbus {
class BusConnection;
}

namespace vl::bluetooth {

class BlueZLink;

// Bluetooth LE through BlueZ. Every manager of one stack shares one connection to the system bus
// (`address`, else $DBUS_SYSTEM_BUS_ADDRESS, else the system's socket), opened when the first manager is
// made and opened again by the next manager after it was lost; a lost bus makes its managers report
// Unsupported. Main thread only.
class BlueZStack final : public BluetoothStack, public std::enable_shared_from_this<BlueZStack> {
 public:
  static std::shared_ptr<BlueZStack> create(std::string address = {});
  explicit BlueZStack(std::string address);
  ~BlueZStack() override;

  std::shared_ptr<PeripheralManager> makePeripheralManager(PeripheralManager::Handlers handlers) override;
  std::shared_ptr<CentralManager> makeCentralManager(CentralManager::Handlers handlers) override;

  // Closes the connection (its thread ends); managers made before go quiet.
  void close();

 private:
  std::shared_ptr<dbus::BusConnection> connection();
  void track(const std::shared_ptr<BlueZLink>& link);

  const std::string address_;
  std::shared_ptr<dbus::BusConnection> bus_;
  std::vector<std::weak_ptr<BlueZLink>> links_;
};

}  // namespace vl::bluetooth
