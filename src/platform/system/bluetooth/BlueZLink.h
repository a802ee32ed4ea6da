#pragma once

#include <memory>

#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl::dbus {
class BusConnection;
}

namespace vl::bluetooth {

// The main-thread side of a BlueZ manager: its bus, and its state as last reported to the owner. The
// bus side lives on the bus thread and reaches it only through blocks on the main queue.
class BlueZLink {
 public:
  virtual ~BlueZLink() = default;
  const std::shared_ptr<dbus::BusConnection>& bus() const { return bus_; }
  // The bus went away (main queue): nothing more will come from BlueZ.
  void busLost() { deliverState(ManagerState::Unsupported); }

 protected:
  explicit BlueZLink(std::shared_ptr<dbus::BusConnection> bus) : bus_(std::move(bus)) {}
  // Tells the owner, unless it was the last state told.
  virtual void deliverState(ManagerState state) = 0;

  std::shared_ptr<dbus::BusConnection> bus_;
};

}  // namespace vl::bluetooth
