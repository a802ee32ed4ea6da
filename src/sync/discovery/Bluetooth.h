#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl {

namespace dispatch {
class DelayedBlock;
}

// Whether the Bluetooth radio is powered on, asked once per call. Main thread.
class Bluetooth {
 public:
  // A check that has not heard from Bluetooth by then answers NO.
  static constexpr double kCheckTimeoutMs = 2000;

  static Bluetooth& shared();
  // `stack` nullptr: the installed one, at each check.
  explicit Bluetooth(std::shared_ptr<bluetooth::BluetoothStack> stack = nullptr);
  ~Bluetooth();
  Bluetooth(const Bluetooth&) = delete;
  Bluetooth& operator=(const Bluetooth&) = delete;

  // `action` runs once on the main queue: YES when the first adapter is powered on, NO in every other
  // case (no bluetoothd, no adapter, access denied, no answer within kCheckTimeoutMs). A newer check
  // replaces a pending one, whose action never runs.
  void checkState(std::function<void(bool)> action);

 private:
  void answer(std::uint64_t check, bool poweredOn);

  std::shared_ptr<bluetooth::BluetoothStack> stack_;
  std::shared_ptr<bluetooth::CentralManager> checkManager_;  // kept until the next check
  std::function<void(bool)> action_;
  std::shared_ptr<dispatch::DelayedBlock> timeout_;
  std::uint64_t check_ = 0;
};

}  // namespace vl
