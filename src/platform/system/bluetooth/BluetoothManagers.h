#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Bluetooth LE as the sync screens need it: a peripheral that publishes one GATT service and
// advertises it, and a central that finds such peripherals and reads one characteristic of each.
// Managers report on the main queue, and only while they live: dropping a manager silences it at once
// and takes down what it published or started.
namespace vl::bluetooth {

enum class ManagerState {
  Unknown,       // not yet known; never reported
  Unsupported,   // no Bluetooth service, no adapter, or the bus is gone
  Unauthorized,  // the Bluetooth service refuses to talk to this user
  PoweredOff,
  PoweredOn,
};
const char* stateName(ManagerState state);

// One primary service with one read-only characteristic whose value is fixed.
struct GattService {
  std::string serviceUUID;
  std::string characteristicUUID;
  std::vector<std::uint8_t> value;
};

// A remote device found by a scan. `id` names it for readCharacteristic; `name` is what it calls itself
// (may be empty).
struct Peripheral {
  std::string id;
  std::string name;
};

class PeripheralManager {
 public:
  struct Handlers {
    std::function<void(ManagerState)> stateChanged;
    // The outcome of addService and of startAdvertising: "" once done, else why not.
    std::function<void(const std::string& error)> serviceAdded;
    std::function<void(const std::string& error)> advertisingStarted;
  };
  virtual ~PeripheralManager() = default;

  // Publishes `service` (one at a time: a second replaces the first).
  virtual void addService(const GattService& service) = 0;
  virtual void removeAllServices() = 0;
  // Advertises the service UUIDs, nothing else (no local name).
  virtual void startAdvertising(const std::vector<std::string>& serviceUUIDs) = 0;
  virtual void stopAdvertising() = 0;
};

class CentralManager {
 public:
  struct Handlers {
    std::function<void(ManagerState)> stateChanged;
    // Each peripheral that offers the scanned service, once per scan.
    std::function<void(const Peripheral&)> discovered;
  };
  struct ReadHandlers {
    std::function<void()> connected;
    std::function<void(const std::string& characteristicUUID)> characteristicFound;
    // The whole value, read in pieces; empty when the device could not be reached or read.
    std::function<void(std::vector<std::uint8_t> value)> done;
  };
  virtual ~CentralManager() = default;

  virtual void scanForPeripherals(const std::string& serviceUUID) = 0;
  virtual void stopScan() = 0;
  // Connects, waits for the device's services, reads the characteristic of the service and disconnects.
  virtual void readCharacteristic(const Peripheral& peripheral, const std::string& serviceUUID,
                                  const std::string& characteristicUUID, ReadHandlers handlers) = 0;
};

// Makes the managers. The installed stack is the headless one (no Bluetooth) until start-up installs
// BlueZ's.
class BluetoothStack {
 public:
  virtual ~BluetoothStack() = default;
  virtual std::shared_ptr<PeripheralManager> makePeripheralManager(PeripheralManager::Handlers handlers) = 0;
  virtual std::shared_ptr<CentralManager> makeCentralManager(CentralManager::Handlers handlers) = 0;

  static std::shared_ptr<BluetoothStack> installed();
  // nullptr puts the headless stack back.
  static void install(std::shared_ptr<BluetoothStack> stack);
};

// Largest value a characteristic may hold (the attribute protocol's limit).
inline constexpr std::size_t kMaxAttributeValue = 512;

// Two UUID strings name the same UUID (BlueZ writes them in lower case).
bool sameUUID(const std::string& a, const std::string& b);

}  // namespace vl::bluetooth
