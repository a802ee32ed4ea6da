#include "sync/store/JoinDataSyncStore.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {

using Lock = MutexLock;

namespace {

struct Renewer {
  Mutex mutex;
  JoinDataSyncStore::SessionRenewer renew VL_GUARDED_BY(mutex);
};

Renewer& renewer() {
  static Renewer installed;
  return installed;
}

}  // namespace

JoinDataSyncStore& JoinDataSyncStore::shared() {
  static JoinDataSyncStore store;
  return store;
}

void JoinDataSyncStore::setSessionRenewer(SessionRenewer renew) {
  Lock lock(renewer().mutex);
  renewer().renew = std::move(renew);
}

bool JoinDataSyncStore::hasSessionRenewer() {
  Lock lock(renewer().mutex);
  return static_cast<bool>(renewer().renew);
}

std::vector<ClientSyncNetworkBean> JoinDataSyncStore::readLocked() {
  std::vector<ClientSyncNetworkBean> list;
  std::optional<Json> stored = UserDefaults::standard().object(kDefaultsKey);
  if (!stored) return list;
  if (!stored->is_array()) {
    logWarning("sync store: the joined networks are not a list; reading none");
    return list;
  }
  for (const Json& item : *stored) {
    if (std::optional<ClientSyncNetworkBean> bean = ClientSyncNetworkBean::fromJson(item)) {
      list.push_back(std::move(*bean));
    }
  }
  if (list.size() != stored->size())
    logWarningf("sync store: %zu joined networks did not read", stored->size() - list.size());
  return list;
}

void JoinDataSyncStore::writeLocked(const std::vector<ClientSyncNetworkBean>& list) {
  Json array = Json::array();
  for (const ClientSyncNetworkBean& bean : list) array.push_back(bean.toJson());
  UserDefaults::standard().setObject(kDefaultsKey, array);
}

std::vector<ClientSyncNetworkBean> JoinDataSyncStore::data() {
  Lock lock(mutex_);
  std::vector<ClientSyncNetworkBean> list = readLocked();
  std::stable_sort(list.begin(), list.end(),
                   [](const auto& a, const auto& b) { return a.timestamp > b.timestamp; });
  return list;
}

void JoinDataSyncStore::addOrUpdate(const ClientSyncNetworkBean& bean) {
  Lock lock(mutex_);
  std::vector<ClientSyncNetworkBean> list = readLocked();
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const auto& stored) { return stored.networkId == bean.networkId; });
  if (it == list.end()) {
    list.push_back(bean);
  } else {
    it->networkName = bean.networkName;
    it->serverDeviceName = bean.serverDeviceName;
    it->ip = bean.ip;
    it->port = bean.port;
    if (!bean.accessToken.empty()) it->accessToken = bean.accessToken;
  }
  writeLocked(list);
}

std::optional<ClientSyncNetworkBean> JoinDataSyncStore::getBeanWithIdentifier(const std::string& networkId) {
  Lock lock(mutex_);
  for (ClientSyncNetworkBean& bean : readLocked()) {
    if (bean.networkId == networkId) return bean;
  }
  return std::nullopt;
}

void JoinDataSyncStore::removeWithIdentifier(const std::string& networkId) {
  Lock lock(mutex_);
  std::vector<ClientSyncNetworkBean> list = readLocked();
  auto it =
      std::find_if(list.begin(), list.end(), [&](const auto& bean) { return bean.networkId == networkId; });
  if (it != list.end()) list.erase(it);
  writeLocked(list);
}

void JoinDataSyncStore::setCanNotAutoJoinByLimitReached(const std::string& networkId, bool flag) {
  Lock lock(mutex_);
  std::vector<ClientSyncNetworkBean> list = readLocked();
  auto it =
      std::find_if(list.begin(), list.end(), [&](const auto& bean) { return bean.networkId == networkId; });
  if (it != list.end()) it->canNotAutoJoinByLimitReached = flag;
  writeLocked(list);
}

void JoinDataSyncStore::restoreCanNotAutoJoinByLimitReachedFlag() {
  Lock lock(mutex_);
  std::vector<ClientSyncNetworkBean> list = readLocked();
  for (ClientSyncNetworkBean& bean : list) bean.canNotAutoJoinByLimitReached = false;
  writeLocked(list);
}

namespace {

// Anyone nearby can advertise a network's identifier: the remembered token goes only where the network
// was joined, its address and port.
bool joinsWithToken(const ClientSyncNetworkBean& stored, const ClientSyncNetworkBean& found) {
  return stored.networkId == found.networkId && !stored.canNotAutoJoinByLimitReached &&
         !stored.accessToken.empty() && stored.ip == found.ip && stored.port == found.port;
}

}  // namespace

bool JoinDataSyncStore::canAutoJoin(const ClientSyncNetworkBean& bean) {
  Lock lock(mutex_);
  for (const ClientSyncNetworkBean& stored : readLocked()) {
    if (joinsWithToken(stored, bean)) return true;
  }
  return false;
}

std::int64_t JoinDataSyncStore::autoJoin(const std::vector<ClientSyncNetworkBean>& discovered) {
  Lock lock(mutex_);
  const std::vector<ClientSyncNetworkBean> stored = readLocked();
  for (std::size_t i = 0; i < discovered.size(); ++i) {
    for (const ClientSyncNetworkBean& known : stored) {
      if (joinsWithToken(known, discovered[i])) return static_cast<std::int64_t>(i);
    }
  }
  return -1;
}

void JoinDataSyncStore::setCurrentJoin(std::optional<ClientSyncNetworkBean> bean) {
  std::string token;
  {
    Lock lock(mutex_);
    current_ = std::move(bean);
    if (!current_) return;
    attempt_.reset();
    token = current_->accessToken;
  }
  SessionRenewer renew;
  {
    Lock lock(renewer().mutex);
    renew = renewer().renew;
  }
  if (renew) renew(token);
}

std::optional<ClientSyncNetworkBean> JoinDataSyncStore::currentJoin() const {
  Lock lock(mutex_);
  return current_;
}

void JoinDataSyncStore::setAttempJoin(std::optional<ClientSyncNetworkBean> bean) {
  Lock lock(mutex_);
  attempt_ = bean ? std::optional<ClientSyncNetworkBean>(bean->copyWithZone()) : std::nullopt;
}

std::optional<ClientSyncNetworkBean> JoinDataSyncStore::attempJoin() const {
  Lock lock(mutex_);
  return attempt_;
}

void JoinDataSyncStore::resetForTesting() {
  Lock lock(mutex_);
  current_.reset();
  attempt_.reset();
}

}  // namespace vl
