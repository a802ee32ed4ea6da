#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vl::dbus {
class BusConnection;
}

namespace vl::dbustest {

// A Bluetooth service for tests that have no Bluetooth: it owns org.bluez on a private bus and offers one
// adapter, "/org/bluez/hci0", with a Powered property the test sets. Like bluetoothd it reads a GATT
// application (GetManagedObjects) and an advertisement (GetAll) from their registrant before it answers
// their registration. A client's discovery sees one device per advertisement that another connection
// registered; a device stays known once shown and is not announced again. Connecting resolves the
// device's services, and their ReadValue is forwarded, with its offset, to the registrant's
// characteristic, handing back at most `readPiece` bytes a time as a small MTU would.
//
// It runs on a thread of its own; every change it sees wakes the main queue, so a test can wait for it
// with MainLoop::runWhile.
class StandInBlueZ {
 public:
  struct Options {
    bool adapter = true;
    bool powered = true;
    std::size_t readPiece = 20;
    // false: an adapter that cannot advertise, as many cannot; every advertisement is refused.
    bool canAdvertise = true;
  };
  // What the service has seen so far.
  struct Seen {
    bool powered = false;
    int applications = 0;  // registered now
    int advertisements = 0;
    int applicationRegistrations = 0;  // ever accepted
    int advertisementRegistrations = 0;
    std::vector<std::string> refusals;  // why a registration was refused
    std::string advertisementType;
    std::vector<std::string> advertisedUUIDs;
    bool advertisedLocalName = false;
    std::vector<std::string> filterUUIDs;
    std::string filterTransport;
    int discoveries = 0;  // StartDiscovery calls
    int connects = 0;
    int connected = 0;  // devices connected now
    std::vector<std::uint16_t> readOffsets;
  };

  StandInBlueZ(const std::string& address, Options options);
  explicit StandInBlueZ(const std::string& address) : StandInBlueZ(address, Options{}) {}
  ~StandInBlueZ();
  StandInBlueZ(const StandInBlueZ&) = delete;
  StandInBlueZ& operator=(const StandInBlueZ&) = delete;

  // Whether it owns org.bluez (it tried for up to 10 s).
  bool ready() const { return ready_; }
  void setPowered(bool powered);
  Seen seen() const;

 private:
  struct Service;
  friend struct Service;
  void update(const std::function<void(Seen&)>& change);

  std::shared_ptr<dbus::BusConnection> bus_;
  mutable std::mutex mutex_;
  Seen seen_;
  std::weak_ptr<Service> service_;
  bool ready_ = false;
};

}  // namespace vl::dbustest
