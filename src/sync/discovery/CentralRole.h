#pragma once

#include <memory>

#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl {

class CentralRole;
class CharacteristicValueBean;

// Every operation is optional; false means not handled.
class CentralRoleDelegate {
 public:
  virtual ~CentralRoleDelegate() = default;
  // A device that offers the sync service was found; it is being read.
  virtual bool centralRoleDidStartDiscover(CentralRole& role) {
    (void)role;
    return false;
  }
  // A device's value was read and decoded (fields that did not decode are empty).
  virtual bool centralRole(CentralRole& role, const CharacteristicValueBean& network) {
    (void)role;
    (void)network;
    return false;
  }
  // Part of the protocol; the role never sends it.
  virtual bool centralRoleDidStopDiscover(CentralRole& role) {
    (void)role;
    return false;
  }
};

// The joining side of discovery: scans for devices that advertise the sync service, reads each one's
// value and hands the decoded network to its delegate. Main thread.
class CentralRole {
 public:
  static CentralRole& shared();
  // `stack` nullptr: the installed one, at each startScan.
  explicit CentralRole(std::shared_ptr<bluetooth::BluetoothStack> stack = nullptr);
  CentralRole(const CentralRole&) = delete;
  CentralRole& operator=(const CentralRole&) = delete;

  void setDelegate(std::weak_ptr<CentralRoleDelegate> delegate) { delegate_ = std::move(delegate); }
  std::shared_ptr<CentralRoleDelegate> delegate() const { return delegate_.lock(); }

  // Stops an earlier scan and starts a new one once the radio reports powered on; every device found
  // is reported again, also one an earlier scan found.
  void startScan();
  // Stops the current scan (nothing when there is none); reads under way finish.
  void stopScan();

 private:
  void centralManagerDidUpdateState(bluetooth::ManagerState state);
  void didDiscover(const bluetooth::Peripheral& peripheral);

  std::shared_ptr<bluetooth::BluetoothStack> stack_;
  std::weak_ptr<CentralRoleDelegate> delegate_;
  std::shared_ptr<bluetooth::CentralManager> centralManager_;
};

}  // namespace vl
