#include "platform/system/bluetooth/BluetoothManagers.h"

#include <cctype>
#include <mutex>
#include <utility>

#include "platform/system/headless/HeadlessBluetooth.h"

namespace vl::bluetooth {

namespace {

std::mutex& stackMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<BluetoothStack>& installedStack() {
  static auto* stack = new std::shared_ptr<BluetoothStack>();
  return *stack;
}

}  // namespace

std::shared_ptr<BluetoothStack> BluetoothStack::installed() {
  std::lock_guard lock(stackMutex());
  if (!installedStack()) installedStack() = std::make_shared<HeadlessBluetoothStack>();
  return installedStack();
}

void BluetoothStack::install(std::shared_ptr<BluetoothStack> stack) {
  std::lock_guard lock(stackMutex());
  installedStack() = std::move(stack);
}

const char* stateName(ManagerState state) {
  switch (state) {
    case ManagerState::Unknown:
      return "unknown";
    case ManagerState::Unsupported:
      return "unsupported";
    case ManagerState::Unauthorized:
      return "unauthorized";
    case ManagerState::PoweredOff:
      return "powered off";
    case ManagerState::PoweredOn:
      return "powered on";
  }
  return "unknown";
}

bool sameUUID(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace vl::bluetooth
