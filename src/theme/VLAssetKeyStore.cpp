#include "theme/VLAssetKeyStore.h"

#include "platform/foundation/Log.h"
#include "platform/ui/view/Appearance.h"
#include "theme/VLThemeManager.h"
#include "theme/VLThemeObject.h"

namespace vl {

VLAssetKeyStore& VLAssetKeyStore::shared() {
  // Never destroyed: objects may still set keys while other statics go away at exit.
  static VLAssetKeyStore* store = new VLAssetKeyStore();
  return *store;
}

bool VLAssetKeyStore::sameObject(const std::weak_ptr<const void>& a, const std::weak_ptr<const void>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

VLAssetKeyStore::Entry* VLAssetKeyStore::findLocked(const void* object,
                                                    const std::weak_ptr<const void>& identity) {
  auto it = entries_.find(object);
  if (it == entries_.end()) return nullptr;
  if (it->second.handle.identity.expired() || !sameObject(it->second.handle.identity, identity)) {
    // A dead object's entry, or one of another object now at this address.
    entries_.erase(it);
    return nullptr;
  }
  return &it->second;
}

void VLAssetKeyStore::subscribeLocked() {
  if (subscribed_) return;
  subscribed_ = true;
  NotificationCenter& system = ui::SystemAppearance::shared().center();
  auto systemChanged = [this](const Notification& n) {
    if (n.name == ui::SystemAppearance::kSwitchesAutomaticallyNotification)
      logDebug("automatically appearance");
    VLThemeManager::shared().setAppearanceMode(VLThemeManager::getAppearance());
    reapplyAll();
  };
  appearance_ = system.observe(ui::SystemAppearance::kThemeChangedNotification, nullptr, systemChanged);
  automatic_ =
      system.observe(ui::SystemAppearance::kSwitchesAutomaticallyNotification, nullptr, systemChanged);
  theme_ = NotificationCenter::defaultCenter().observe(VLThemeManager::kThemeChangedNotification, nullptr,
                                                       [this](const Notification&) { reapplyAll(); });
}

bool VLAssetKeyStore::follow(const Handle& handle) {
  if (handle.selfFollowing) handle.selfFollowing->themeManager();
  std::lock_guard<std::mutex> lock(mutex_);
  if (handle.identity.expired()) {
    if (!loggedUnowned_) {
      loggedUnowned_ = true;
      logWarning(
          "theme: an asset key was set on an object not held by a shared_ptr; applied once, not followed");
    }
    return false;
  }
  if (!findLocked(handle.object, handle.identity)) entries_[handle.object] = Entry{handle, {}};
  // An object that subscribes on its own only keeps its keys here.
  if (!handle.selfFollowing) subscribeLocked();
  return true;
}

bool VLAssetKeyStore::setKey(const Handle& handle, const std::string& slot, std::optional<std::string> key) {
  if (!follow(handle)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (Entry* entry = findLocked(handle.object, handle.identity)) entry->keys[slot] = std::move(key);
  return true;
}

std::optional<std::string> VLAssetKeyStore::key(const void* object, const std::weak_ptr<const void>& identity,
                                                const std::string& slot) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = entries_.find(object);
  if (it == entries_.end() || it->second.handle.identity.expired() ||
      !sameObject(it->second.handle.identity, identity)) {
    return std::nullopt;
  }
  auto found = it->second.keys.find(slot);
  return found == it->second.keys.end() ? std::nullopt : found->second;
}

void VLAssetKeyStore::reapplyAll() {
  struct Live {
    std::shared_ptr<const void> keepAlive;
    void* object;
    Applier applier;
  };
  std::vector<Live> live;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end();) {
      auto alive = it->second.handle.identity.lock();
      if (!alive) {
        it = entries_.erase(it);
        continue;
      }
      if (!it->second.handle.selfFollowing && it->second.handle.applier) {
        live.push_back({std::move(alive), it->second.handle.object, it->second.handle.applier});
      }
      ++it;
    }
  }
  // Outside the lock: an applier sets colours and may set keys again.
  for (const Live& entry : live) entry.applier(entry.object);
}

std::size_t VLAssetKeyStore::followedCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::size_t count = 0;
  for (const auto& [address, entry] : entries_) count += entry.handle.identity.expired() ? 0 : 1;
  return count;
}

}  // namespace vl
