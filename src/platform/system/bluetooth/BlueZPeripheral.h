#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/system/bluetooth/BlueZLink.h"
#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl::bluetooth {

// The peripheral role over BlueZ: the service is a GATT application (an object manager with one primary
// GattService1 and its read-only GattCharacteristic1) and the advertisement an LEAdvertisement1, both
// exported on the system bus and registered with the first adapter. Registration is asynchronous, as
// bluetoothd reads the exported objects before it answers. Dropping the manager unregisters both.
class BlueZPeripheral final : public PeripheralManager,
                              public BlueZLink,
                              public std::enable_shared_from_this<BlueZPeripheral> {
 public:
  static std::shared_ptr<BlueZPeripheral> create(std::shared_ptr<dbus::BusConnection> bus, Handlers handlers);
  BlueZPeripheral(std::shared_ptr<dbus::BusConnection> bus, Handlers handlers);
  ~BlueZPeripheral() override;

  void addService(const GattService& service) override;
  void removeAllServices() override;
  void startAdvertising(const std::vector<std::string>& serviceUUIDs) override;
  void stopAdvertising() override;

 private:
  struct BusSide;
  void deliverState(ManagerState state) override;

  Handlers handlers_;
  ManagerState told_ = ManagerState::Unknown;
  std::weak_ptr<BusSide> side_;  // locked on the bus thread only
};

}  // namespace vl::bluetooth
