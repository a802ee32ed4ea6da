#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl {

class PeripheralRole;

class PeripheralRoleDelegate {
 public:
  virtual ~PeripheralRoleDelegate() = default;
  // Advertising was asked for (each time the radio comes on while providing). False: not handled.
  virtual bool peripheralRoleDidStartAdvertising(PeripheralRole& role) {
    (void)role;
    return false;
  }
  // The Bluetooth service refused to publish the service or to advertise it (many adapters cannot
  // advertise): nearby devices cannot find the network. `error` says why, for the log.
  virtual bool peripheralRoleDidFailToAdvertise(PeripheralRole& role, const std::string& error) {
    (void)role;
    (void)error;
    return false;
  }
};

// The serving side of discovery: while providing, publishes the sync service with a value that says
// where this device's server listens, and advertises it whenever the radio is on. Main thread.
class PeripheralRole {
 public:
  // The network this device serves, read each time a value is built.
  struct ServedNetwork {
    std::string identifier;
    std::string name;
  };
  using ServedNetworkSource = std::function<std::optional<ServedNetwork>()>;
  // Installed by the stored networks (their current provider); without it the value names no network.
  static void setServedNetworkSource(ServedNetworkSource source);
  static bool hasServedNetworkSource();

  static PeripheralRole& shared();
  // `stack` nullptr: the installed one, at each startProvide.
  explicit PeripheralRole(std::shared_ptr<bluetooth::BluetoothStack> stack = nullptr);
  PeripheralRole(const PeripheralRole&) = delete;
  PeripheralRole& operator=(const PeripheralRole&) = delete;

  void setDelegate(std::weak_ptr<PeripheralRoleDelegate> delegate) { delegate_ = std::move(delegate); }
  std::shared_ptr<PeripheralRoleDelegate> delegate() const { return delegate_.lock(); }

  // Stops any earlier provision and builds the service with a fresh value; advertising follows when the
  // radio reports powered on.
  void startProvide();
  // Stops advertising and withdraws the service. The radio coming on later starts nothing.
  void stopProvide();
  // The value as JSON: this device's address, the sync port, the served network and this device's name.
  std::string getCharacteristicValue() const;

 private:
  void peripheralManagerDidUpdateState(bluetooth::ManagerState state);
  void didFail(const char* what, const std::string& error);

  std::shared_ptr<bluetooth::BluetoothStack> stack_;
  std::shared_ptr<bluetooth::PeripheralManager> peripheralManager_;
  std::weak_ptr<PeripheralRoleDelegate> delegate_;
  std::optional<bluetooth::GattService> myService_;
};

}  // namespace vl
