#pragma once

#include <memory>

#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl::bluetooth {

// A machine without Bluetooth: every manager reports Unsupported once and does nothing else.
class HeadlessBluetoothStack final : public BluetoothStack {
 public:
  std::shared_ptr<PeripheralManager> makePeripheralManager(PeripheralManager::Handlers handlers) override;
  std::shared_ptr<CentralManager> makeCentralManager(CentralManager::Handlers handlers) override;
};

}  // namespace vl::bluetooth
