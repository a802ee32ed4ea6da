#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/system/bluetooth/BlueZLink.h"
#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl::bluetooth {

// The central role over BlueZ: discovery on the first adapter, filtered to the scanned service over LE,
// reports each device that offers the service once per scan (those BlueZ already knew when the scan
// began too, as it does not announce them again), and reads a characteristic by connecting, waiting for
// the services to resolve, reading the value from successive offsets and disconnecting. A few devices are
// read at a time; each read gives up after kReadDeadlineMs.
class BlueZCentral final : public CentralManager,
                           public BlueZLink,
                           public std::enable_shared_from_this<BlueZCentral> {
 public:
  static constexpr double kReadDeadlineMs = 30000;
  static constexpr std::size_t kReadsAtOnce = 3;

  static std::shared_ptr<BlueZCentral> create(std::shared_ptr<dbus::BusConnection> bus, Handlers handlers);
  BlueZCentral(std::shared_ptr<dbus::BusConnection> bus, Handlers handlers);
  ~BlueZCentral() override;

  void scanForPeripherals(const std::string& serviceUUID) override;
  void stopScan() override;
  void readCharacteristic(const Peripheral& peripheral, const std::string& serviceUUID,
                          const std::string& characteristicUUID, ReadHandlers handlers) override;

 private:
  struct BusSide;
  struct ReadTask;
  void deliverState(ManagerState state) override;

  Handlers handlers_;
  ManagerState told_ = ManagerState::Unknown;
  std::map<std::uint64_t, ReadHandlers> reads_;
  std::uint64_t nextRead_ = 0;
  std::weak_ptr<BusSide> side_;  // locked on the bus thread only
};

}  // namespace vl::bluetooth
