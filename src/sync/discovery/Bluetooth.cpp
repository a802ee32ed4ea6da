#include "sync/discovery/Bluetooth.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"

namespace vl {

Bluetooth& Bluetooth::shared() {
  static auto* checker = new Bluetooth();
  return *checker;
}

Bluetooth::Bluetooth(std::shared_ptr<bluetooth::BluetoothStack> stack) : stack_(std::move(stack)) {}

Bluetooth::~Bluetooth() {
  if (timeout_) timeout_->cancel();
}

void Bluetooth::checkState(std::function<void(bool)> action) {
  const std::uint64_t check = ++check_;
  action_ = std::move(action);
  if (timeout_) timeout_->cancel();
  // The previous manager goes with its pending report.
  checkManager_.reset();
  auto stack = stack_ ? stack_ : bluetooth::BluetoothStack::installed();
  checkManager_ = stack->makeCentralManager({[this, check](bluetooth::ManagerState state) {
                                               answer(check, state == bluetooth::ManagerState::PoweredOn);
                                             },
                                             nullptr});
  timeout_ = dispatch::after(kCheckTimeoutMs, dispatch::Queue::main(), [this, check] {
    if (check == check_ && action_) logWarning("bluetooth: no answer from Bluetooth; taken as off");
    answer(check, false);
  });
}

void Bluetooth::answer(std::uint64_t check, bool poweredOn) {
  if (check != check_ || !action_) return;
  auto action = std::move(action_);
  action_ = nullptr;
  if (timeout_) timeout_->cancel();
  action(poweredOn);
}

}  // namespace vl
