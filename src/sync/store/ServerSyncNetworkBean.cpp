#include "sync/store/ServerSyncNetworkBean.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cmath>

#include "core/VLDevice.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Log.h"

namespace vl {

using Lock = MutexLock;

std::shared_ptr<ServerSyncNetworkBean> ServerSyncNetworkBean::ofName(const std::string& name,
                                                                     const std::string& password) {
  auto bean = std::make_shared<ServerSyncNetworkBean>();
  Lock lock(bean->mutex_);  // not shared yet; taken so every field is read and written under it
  bean->identifier_ = uuidString();
  bean->name_ = name;
  bean->password_ = password;
  bean->updateTime_ = Clock::current().now();
  bean->deviceName_ = VLDevice::name();
  return bean;
}

std::shared_ptr<ServerSyncNetworkBean> ServerSyncNetworkBean::ofCharacteristic(const std::string& networkId,
                                                                               const std::string& networkName,
                                                                               const std::string& deviceName,
                                                                               const std::string& ip,
                                                                               std::int64_t port) {
  auto bean = std::make_shared<ServerSyncNetworkBean>();
  Lock lock(bean->mutex_);
  bean->identifier_ = networkId;
  bean->name_ = networkName;
  bean->deviceName_ = deviceName;
  bean->ip_ = ip;
  bean->port_ = port;
  bean->updateTime_ = Clock::current().now();
  return bean;
}

Json ServerSyncNetworkBean::toJson() const {
  Lock lock(mutex_);
  Json table = Json::object();
  for (const auto& [token, entry] : authorized_) table[token] = entry.toJson();
  return Json{{"identifier", identifier_},
              {"name", name_},
              {"password", password_},
              {"updateTime", updateTime_},
              {"deviceName", deviceName_},
              {"ip", ip_},
              {"port", port_},
              {"authorizedDict", std::move(table)}};
}

std::shared_ptr<ServerSyncNetworkBean> ServerSyncNetworkBean::fromJson(const Json& value) {
  if (!value.is_object()) return nullptr;
  auto id = value.find("identifier");
  if (id == value.end() || !id->is_string()) return nullptr;
  auto bean = std::make_shared<ServerSyncNetworkBean>();
  Lock lock(bean->mutex_);
  bean->identifier_ = id->get<std::string>();
  bean->name_ = jsonString(value, "name");
  bean->password_ = jsonString(value, "password");
  // The lists are sorted by these times; a stored NaN must not upset the ordering.
  bean->updateTime_ = std::isfinite(jsonDouble(value, "updateTime")) ? jsonDouble(value, "updateTime") : 0;
  bean->deviceName_ = jsonString(value, "deviceName");
  bean->ip_ = jsonString(value, "ip");
  bean->port_ = jsonInteger(value, "port");
  if (auto table = value.find("authorizedDict"); table != value.end() && table->is_object()) {
    // A file edited by hand or damaged may list any number: only the newest kMaxAuthorized are ever
    // held, kept in a heap whose top is the oldest of them.
    const auto newer = [](const AuthorizedBean& a, const AuthorizedBean& b) {
      return a.authTime > b.authTime;
    };
    std::vector<AuthorizedBean> kept;
    kept.reserve(kMaxAuthorized + 1);
    std::size_t skipped = 0, dropped = 0;
    for (const auto& [token, stored] : table->items()) {
      std::optional<AuthorizedBean> entry = AuthorizedBean::fromJson(stored);
      if (!entry || token.empty()) {
        ++skipped;
        continue;
      }
      entry->accessToken = token;  // the key is what the device presents
      kept.push_back(std::move(*entry));
      std::push_heap(kept.begin(), kept.end(), newer);
      if (kept.size() > kMaxAuthorized) {
        std::pop_heap(kept.begin(), kept.end(), newer);
        kept.pop_back();
        ++dropped;
      }
    }
    if (skipped) logWarningf("sync store: %zu admitted devices of a network did not read", skipped);
    if (dropped)
      logWarningf("sync store: %zu admitted devices beyond %zu were left out", dropped, kMaxAuthorized);
    for (AuthorizedBean& entry : kept) bean->authorized_[entry.accessToken] = std::move(entry);
  }
  return bean;
}

std::string ServerSyncNetworkBean::identifier() const {
  Lock lock(mutex_);
  return identifier_;
}
std::string ServerSyncNetworkBean::name() const {
  Lock lock(mutex_);
  return name_;
}
void ServerSyncNetworkBean::setName(std::string name) {
  Lock lock(mutex_);
  name_ = std::move(name);
}
std::string ServerSyncNetworkBean::password() const {
  Lock lock(mutex_);
  return password_;
}
void ServerSyncNetworkBean::setPassword(std::string password) {
  Lock lock(mutex_);
  if (password == password_) return;
  password_ = std::move(password);
  // A token stands for the password it was given for: whoever had the old one must sign in again.
  if (!authorized_.empty())
    logf("sync store: the password changed; %zu admitted devices must sign in again", authorized_.size());
  authorized_.clear();
}
double ServerSyncNetworkBean::updateTime() const {
  Lock lock(mutex_);
  return updateTime_;
}
void ServerSyncNetworkBean::setUpdateTime(double seconds) {
  Lock lock(mutex_);
  updateTime_ = seconds;
}
std::string ServerSyncNetworkBean::deviceName() const {
  Lock lock(mutex_);
  return deviceName_;
}
std::string ServerSyncNetworkBean::ip() const {
  Lock lock(mutex_);
  return ip_;
}
void ServerSyncNetworkBean::setIp(std::string ip) {
  Lock lock(mutex_);
  ip_ = std::move(ip);
}
std::int64_t ServerSyncNetworkBean::port() const {
  Lock lock(mutex_);
  return port_;
}
void ServerSyncNetworkBean::setPort(std::int64_t port) {
  Lock lock(mutex_);
  port_ = port;
}

bool ServerSyncNetworkBean::passwordMatches(std::string_view candidate) const {
  // Digests have one length whatever the texts, and CRYPTO_memcmp looks at every byte of them.
  const std::string expected = sha256Hex(password());
  const std::string given = sha256Hex(candidate);
  return CRYPTO_memcmp(expected.data(), given.data(), expected.size()) == 0;
}

void ServerSyncNetworkBean::setAuthorized(AuthorizedBean bean, const std::string& token) {
  Lock lock(mutex_);
  bean.connected = true;
  bean.accessToken = token;
  authorized_[token] = std::move(bean);
  capTableLocked();
}

std::vector<AuthorizedBean> ServerSyncNetworkBean::connectedAndAuthorized() const {
  Lock lock(mutex_);
  std::vector<AuthorizedBean> out;
  for (const auto& [token, entry] : authorized_) {
    if (entry.connected) out.push_back(entry);
  }
  return out;
}

std::vector<AuthorizedBean> ServerSyncNetworkBean::authorizedDevices() const {
  Lock lock(mutex_);
  std::vector<AuthorizedBean> out;
  for (const auto& [token, entry] : authorized_) out.push_back(entry);
  return out;
}

bool ServerSyncNetworkBean::isConnected(const std::string& token) const {
  Lock lock(mutex_);
  auto it = authorized_.find(token);
  return it != authorized_.end() && it->second.connected;
}

bool ServerSyncNetworkBean::tryAuth(const std::string& token) const {
  Lock lock(mutex_);
  return authorized_.count(token) != 0;
}

bool ServerSyncNetworkBean::firstConnected(const std::string& token) {
  Lock lock(mutex_);
  auto it = authorized_.find(token);
  if (it == authorized_.end() || it->second.connected) return false;
  it->second.connected = true;
  return true;
}

void ServerSyncNetworkBean::disconnect(const std::string& token) {
  Lock lock(mutex_);
  auto it = authorized_.find(token);
  if (it == authorized_.end()) return;
  it->second.connected = false;
  it->second.tryDisconnect = false;
}

bool ServerSyncNetworkBean::isTryToDisconnect(const std::string& token) const {
  Lock lock(mutex_);
  auto it = authorized_.find(token);
  return !token.empty() && it != authorized_.end() && it->second.tryDisconnect;
}

void ServerSyncNetworkBean::setTryDisconnect(const std::string& token) {
  Lock lock(mutex_);
  if (auto it = authorized_.find(token); it != authorized_.end()) it->second.tryDisconnect = true;
}

std::string ServerSyncNetworkBean::getDeviceNameWithAccessToken(const std::string& token) const {
  Lock lock(mutex_);
  auto it = authorized_.find(token);
  return it == authorized_.end() ? std::string() : it->second.deviceName;
}

void ServerSyncNetworkBean::cleanConnectedStatus() {
  Lock lock(mutex_);
  for (auto& [token, entry] : authorized_) entry.connected = false;
}

std::vector<std::string> ServerSyncNetworkBean::expireSilent(double nowMs, double silentMs) {
  Lock lock(mutex_);
  std::vector<std::string> names;
  for (auto& [token, entry] : authorized_) {
    if (entry.connected && nowMs - entry.lastSeenMs > silentMs) {
      entry.connected = false;
      names.push_back(entry.deviceName);
    }
  }
  return names;
}

std::optional<AuthorizedBean> ServerSyncNetworkBean::authorize(const std::string& deviceId,
                                                               const std::string& deviceName,
                                                               std::size_t limit, double nowMs) {
  AuthorizedBean fresh = AuthorizedBean::ofDeviceId(deviceId, deviceName);
  Lock lock(mutex_);
  // The device's own earlier entries are about to go, so they hold no slot against it.
  const auto same = [&](const AuthorizedBean& entry) {
    return !fresh.deviceId.empty() && entry.deviceId == fresh.deviceId;
  };
  std::size_t others = 0;
  for (const auto& [token, entry] : authorized_) others += entry.connected && !same(entry) ? 1 : 0;
  if (others >= limit) return std::nullopt;
  std::erase_if(authorized_, [&](const auto& item) { return same(item.second); });
  fresh.connected = true;
  fresh.lastSeenMs = nowMs;
  authorized_[fresh.accessToken] = fresh;
  capTableLocked();
  return fresh;
}

ServerSyncNetworkBean::TokenCheck ServerSyncNetworkBean::checkToken(const std::string& token,
                                                                    std::size_t limit, double nowMs) {
  Lock lock(mutex_);
  TokenCheck check;
  auto it = token.empty() ? authorized_.end() : authorized_.find(token);
  const bool room = connectedCountLocked() < limit;
  if (it != authorized_.end() && (it->second.connected || room)) {
    check.outcome = it->second.connected ? TokenCheck::Admitted : TokenCheck::NewlyConnected;
    check.deviceName = it->second.deviceName;
    it->second.connected = true;
    it->second.lastSeenMs = nowMs;
    return check;
  }
  check.outcome = room ? TokenCheck::Unknown : TokenCheck::LimitReached;
  return check;
}

std::size_t ServerSyncNetworkBean::connectedCountLocked() const {
  return static_cast<std::size_t>(std::count_if(authorized_.begin(), authorized_.end(),
                                                [](const auto& item) { return item.second.connected; }));
}

void ServerSyncNetworkBean::capTableLocked() {
  if (authorized_.size() <= kMaxAuthorized) return;
  // Disconnected entries go first, the ones admitted longest ago first among them: one ordering of the
  // tokens, then one erase of the surplus.
  std::vector<std::map<std::string, AuthorizedBean>::iterator> entries;
  entries.reserve(authorized_.size());
  for (auto it = authorized_.begin(); it != authorized_.end(); ++it) entries.push_back(it);
  const std::size_t surplus = authorized_.size() - kMaxAuthorized;
  std::nth_element(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(surplus), entries.end(),
                   [](const auto& a, const auto& b) {
                     if (a->second.connected != b->second.connected) return !a->second.connected;
                     return a->second.authTime < b->second.authTime;
                   });
  for (std::size_t i = 0; i < surplus; ++i) authorized_.erase(entries[i]);
}

}  // namespace vl
