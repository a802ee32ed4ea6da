#include "sync/discovery/CentralRole.h"

#include "platform/foundation/Log.h"
#include "sync/discovery/CharacteristicValueBean.h"

namespace vl {

namespace {

// A device names itself; its name goes into a log line without line breaks or other controls.
std::string printable(std::string name) {
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return name;
}

}  // namespace

CentralRole& CentralRole::shared() {
  static auto* role = new CentralRole();
  return *role;
}

CentralRole::CentralRole(std::shared_ptr<bluetooth::BluetoothStack> stack) : stack_(std::move(stack)) {}

void CentralRole::startScan() {
  if (centralManager_) centralManager_->stopScan();
  auto stack = stack_ ? stack_ : bluetooth::BluetoothStack::installed();
  centralManager_ = stack->makeCentralManager(
      {[this](bluetooth::ManagerState state) { centralManagerDidUpdateState(state); },
       [this](const bluetooth::Peripheral& peripheral) { didDiscover(peripheral); }});
}

void CentralRole::stopScan() {
  if (centralManager_) centralManager_->stopScan();
}

void CentralRole::centralManagerDidUpdateState(bluetooth::ManagerState state) {
  if (state == bluetooth::ManagerState::PoweredOn) centralManager_->scanForPeripherals(kSyncServiceUUID);
}

void CentralRole::didDiscover(const bluetooth::Peripheral& peripheral) {
  logDebugf("bluetooth: found \"%s\"", printable(peripheral.name).c_str());
  if (auto delegate = delegate_.lock()) delegate->centralRoleDidStartDiscover(*this);
  bluetooth::CentralManager::ReadHandlers handlers;
  handlers.connected = [] { logDebug("Peripheral connected"); };
  handlers.characteristicFound = [](const std::string& uuid) {
    logDebugf("Discovered characteristic %s", uuid.c_str());
  };
  handlers.done = [this](std::vector<std::uint8_t> value) {
    if (value.empty()) return;
    auto delegate = delegate_.lock();
    if (!delegate) return;
    const auto network = CharacteristicValueBean::ofJSONData(
        std::string_view(reinterpret_cast<const char*>(value.data()), value.size()));
    delegate->centralRole(*this, network);
  };
  centralManager_->readCharacteristic(peripheral, kSyncServiceUUID, kSyncCharacteristicUUID,
                                      std::move(handlers));
}

}  // namespace vl
