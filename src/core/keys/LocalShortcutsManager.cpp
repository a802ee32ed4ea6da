#include "core/keys/LocalShortcutsManager.h"

#include <algorithm>

#include "platform/foundation/Check.h"

namespace vl {

LocalShortcutsManager& LocalShortcutsManager::shared() {
  static LocalShortcutsManager* manager = new LocalShortcutsManager();  // used by windows until exit
  return *manager;
}

void LocalShortcutsManager::registerReceiver(const std::shared_ptr<ShortcutReceiver>& receiver, Order order) {
  VL_DCHECK_ON_MAIN();
  if (!receiver) return;
  // A gone receiver's address may be reused by the new one.
  std::erase_if(receivers_, [](const Entry& e) { return e.receiver.expired(); });
  const ShortcutReceiver* key = receiver.get();
  if (std::any_of(receivers_.begin(), receivers_.end(), [&](const Entry& e) { return e.key == key; })) return;
  // After every receiver of the same or an earlier kind.
  auto at = std::upper_bound(receivers_.begin(), receivers_.end(), order,
                             [](Order o, const Entry& e) { return o < e.order; });
  receivers_.insert(at, Entry{order, key, receiver});
}

void LocalShortcutsManager::unregisterReceiver(const ShortcutReceiver* receiver) {
  VL_DCHECK_ON_MAIN();
  std::erase_if(receivers_, [&](const Entry& e) { return e.key == receiver; });
}

bool LocalShortcutsManager::offerShortcutKey(const std::string& name) {
  VL_DCHECK_ON_MAIN();
  std::erase_if(receivers_, [](const Entry& e) { return e.receiver.expired(); });
  // A receiver may register or unregister others while it acts: one registered meanwhile waits for the
  // next press, one unregistered meanwhile is not asked.
  const std::vector<Entry> snapshot = receivers_;
  for (const Entry& e : snapshot) {
    const bool stillThere =
        std::any_of(receivers_.begin(), receivers_.end(), [&](const Entry& r) { return r.key == e.key; });
    if (!stillThere) continue;
    if (auto receiver = e.receiver.lock(); receiver && receiver->resolvedShortcutKey(name)) return true;
  }
  return false;
}

std::size_t LocalShortcutsManager::receiverCount() const {
  return static_cast<std::size_t>(std::count_if(receivers_.begin(), receivers_.end(),
                                                [](const Entry& e) { return !e.receiver.expired(); }));
}

}  // namespace vl
