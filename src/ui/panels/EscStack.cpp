#include "ui/panels/EscStack.h"

#include <algorithm>
#include <utility>

#include "core/keys/LocalShortcutsManager.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// The in-window shortcut names arrive through the core's receiver list; the stack goes first there.
class EscReceiver : public ShortcutReceiver {
 public:
  explicit EscReceiver(EscStack::ShortcutReceiver fn) : fn_(std::move(fn)) {}
  bool resolvedShortcutKey(const std::string& name) override { return fn_(name); }

 private:
  EscStack::ShortcutReceiver fn_;
};

void registerWithLocalShortcuts(EscStack::ShortcutReceiver fn) {
  static std::shared_ptr<EscReceiver> receiver;
  if (receiver) LocalShortcutsManager::shared().unregisterReceiver(receiver.get());
  receiver = std::make_shared<EscReceiver>(std::move(fn));
  LocalShortcutsManager::shared().registerReceiver(receiver, LocalShortcutsManager::Order::EscStack);
}

EscStack::ReceiverRegistrar& registrar() {
  static EscStack::ReceiverRegistrar r = registerWithLocalShortcuts;
  return r;
}

bool& sharedBuilt() {
  static bool built = false;
  return built;
}

}  // namespace

EscStack& EscStack::shared() {
  static EscStack* stack = [] {
    auto* s = new EscStack;
    sharedBuilt() = true;
    s->registerWithDispatcher();
    return s;
  }();
  return *stack;
}

EscStack::EscStack() = default;

void EscStack::registerWithDispatcher() {
  if (!registrar()) return;
  registrar()([](const std::string& name) { return EscStack::shared().resolvedShortcutKey(name); });
}

void EscStack::push(CloseBlock block) {
  if (!block) {
    logWarning("EscStack: empty close block not pushed");
    return;
  }
  VL_DCHECK_ON_MAIN();
  blocks_.push_back({nextId_++, std::make_shared<CloseBlock>(std::move(block))});
}

void EscStack::pop(bool cleaning) {
  VL_DCHECK_ON_MAIN();
  // A loop, not recursion: a long run of stale blocks must not deepen the stack.
  while (!blocks_.empty()) {
    Entry top = blocks_.back();
    bool closed = (*top.block)(cleaning);
    // The block may have pushed or popped itself: remove the one that ran, wherever it now is.
    auto it = std::find_if(blocks_.begin(), blocks_.end(), [&](const Entry& e) { return e.id == top.id; });
    if (it != blocks_.end()) blocks_.erase(it);
    if (closed) return;
  }
}

void EscStack::clean() {
  VL_DCHECK_ON_MAIN();
  while (!blocks_.empty()) pop(true);
}

bool EscStack::resolvedShortcutKey(const std::string& name) {
  if (name != "esc") return false;
  pop(false);
  return true;
}

std::size_t EscStack::count() const {
  VL_DCHECK_ON_MAIN();
  return blocks_.size();
}

void EscStack::resetForTesting() { blocks_.clear(); }

}  // namespace vl
