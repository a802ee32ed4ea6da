#include "sync/store/CreatedDataSyncStore.h"

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {

using Lock = MutexLock;

CreatedDataSyncStore& CreatedDataSyncStore::shared() {
  static CreatedDataSyncStore store;
  return store;
}

void CreatedDataSyncStore::loadLocked() {
  if (loaded_) return;
  loaded_ = true;
  list_.clear();
  std::optional<Json> stored = UserDefaults::standard().object(kDefaultsKey);
  if (!stored) return;
  if (!stored->is_array()) {
    logWarning("sync store: the created networks are not a list; starting with none");
    return;
  }
  std::size_t skipped = 0;
  for (const Json& item : *stored) {
    if (Network network = ServerSyncNetworkBean::fromJson(item)) {
      list_.push_back(std::move(network));
    } else {
      ++skipped;
    }
  }
  if (skipped) logWarningf("sync store: %zu created networks did not read", skipped);
  std::stable_sort(list_.begin(), list_.end(),
                   [](const Network& a, const Network& b) { return a->updateTime() > b->updateTime(); });
}

std::vector<CreatedDataSyncStore::Network> CreatedDataSyncStore::providerList() {
  Lock lock(mutex_);
  loadLocked();
  return list_;
}

void CreatedDataSyncStore::setProviderList(std::vector<Network> list) {
  Lock lock(mutex_);
  loaded_ = true;
  std::erase(list, nullptr);
  list_ = std::move(list);
}

void CreatedDataSyncStore::add(Network network) {
  if (!network) return;
  Lock lock(mutex_);
  loadLocked();
  list_.insert(list_.begin(), std::move(network));
}

void CreatedDataSyncStore::removeWithIdentifier(const std::string& identifier) {
  Lock lock(mutex_);
  loadLocked();
  auto it = std::find_if(list_.begin(), list_.end(),
                         [&](const Network& network) { return network->identifier() == identifier; });
  if (it != list_.end()) list_.erase(it);
}

void CreatedDataSyncStore::updateWithIdentifier(const std::string& identifier, const std::string& name,
                                                const std::string& password) {
  Lock lock(mutex_);
  loadLocked();
  for (const Network& network : list_) {
    if (network->identifier() != identifier) continue;
    if (!name.empty()) network->setName(name);
    if (!password.empty()) network->setPassword(password);
    network->setUpdateTime(Clock::current().now());
  }
}

bool CreatedDataSyncStore::save() {
  Lock saving(saveMutex_);
  {
    // Hiding the main window saves too: a list never read has nothing new to write.
    Lock lock(mutex_);
    if (!loaded_) return true;
  }
  Json array = Json::array();
  for (const Network& network : providerList()) array.push_back(network->toJson());
  return UserDefaults::standard().setObject(kDefaultsKey, array);
}

void CreatedDataSyncStore::clear() {
  if (!UserDefaults::standard().remove(kDefaultsKey)) logError("sync: the created networks are not cleared");
}

CreatedDataSyncStore::Network CreatedDataSyncStore::currentProvider() const {
  Lock lock(mutex_);
  return current_;
}

void CreatedDataSyncStore::setCurrentProvider(Network network) {
  Lock lock(mutex_);
  current_ = std::move(network);
}

void CreatedDataSyncStore::resetForTesting() {
  Lock lock(mutex_);
  loaded_ = false;
  list_.clear();
  current_.reset();
}

}  // namespace vl
