#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/foundation/Mutex.h"
#include "sync/store/AuthorizedBean.h"

namespace vl {

// One sync network this device created and may serve: its identity, its password and the table of the
// devices it has admitted (access token -> AuthorizedBean).
//
// Shared between the created-network list and the served network (CreatedDataSyncStore), and used from
// the main thread (screens, the sync bar) and the server's loop (the request handlers). One lock guards
// every field and the table; it is a leaf lock, held only for each read or change.
class ServerSyncNetworkBean {
 public:
  // The stored table never grows past this many devices: when a new one is admitted into a full table,
  // the disconnected entry admitted longest ago makes room. The settings file stays far below its bound.
  static constexpr std::size_t kMaxAuthorized = 32;

  // A new network: a fresh upper-case UUID, updateTime now, this computer's name; ip and port unset.
  static std::shared_ptr<ServerSyncNetworkBean> ofName(const std::string& name, const std::string& password);
  // A network as a discovered advertisement describes it; updateTime now and an empty table.
  static std::shared_ptr<ServerSyncNetworkBean> ofCharacteristic(const std::string& networkId,
                                                                 const std::string& networkName,
                                                                 const std::string& deviceName,
                                                                 const std::string& ip, std::int64_t port);

  // The stored form: {"identifier", "name", "password", "updateTime", "deviceName", "ip", "port",
  // "authorizedDict": {token: AuthorizedBean}}.
  Json toJson() const;
  // nullptr for a value that is not an object with a text "identifier". Table entries that do not read
  // are skipped; of a table beyond kMaxAuthorized the newest entries are kept. Flags start cleared.
  static std::shared_ptr<ServerSyncNetworkBean> fromJson(const Json& value);

  std::string identifier() const;
  std::string name() const;
  void setName(std::string name);
  std::string password() const;
  // A new password ends every token issued before it: the table is emptied.
  void setPassword(std::string password);
  // Compares in constant time (over digests), so the answer's timing says nothing about the password.
  bool passwordMatches(std::string_view candidate) const;
  double updateTime() const;
  void setUpdateTime(double seconds);
  std::string deviceName() const;
  std::string ip() const;
  void setIp(std::string ip);
  std::int64_t port() const;
  void setPort(std::int64_t port);

  // ---- the table, by access token ----

  // Stores the entry under the token, connected.
  void setAuthorized(AuthorizedBean bean, const std::string& token);
  // Copies of the connected entries, in token order.
  std::vector<AuthorizedBean> connectedAndAuthorized() const;
  // Copies of every entry, in token order.
  std::vector<AuthorizedBean> authorizedDevices() const;
  bool isConnected(const std::string& token) const;
  // Whether the token has an entry.
  bool tryAuth(const std::string& token) const;
  // false when the entry is already connected (or missing); else marks it connected and answers true.
  bool firstConnected(const std::string& token);
  // Clears connected and tryDisconnect.
  void disconnect(const std::string& token);
  bool isTryToDisconnect(const std::string& token) const;
  // The serving user asked to drop the device (the connected devices screen).
  void setTryDisconnect(const std::string& token);
  std::string getDeviceNameWithAccessToken(const std::string& token) const;
  // Every entry disconnected (the sync bar stopped serving).
  void cleanConnectedStatus();

  // ---- admission, for the request handlers; each is one step under the lock ----

  // Disconnects entries whose last call is more than silentMs before nowMs; their device names.
  std::vector<std::string> expireSilent(double nowMs, double silentMs);
  // A device that gave the right password: nothing when `limit` other devices are connected. Otherwise
  // the device's earlier entries (same non-empty device id) are replaced by a new connected one.
  std::optional<AuthorizedBean> authorize(const std::string& deviceId, const std::string& deviceName,
                                          std::size_t limit, double nowMs);
  struct TokenCheck {
    enum Outcome { Admitted, NewlyConnected, Unknown, LimitReached } outcome = Unknown;
    std::string deviceName;
  };
  // The token check of every call after Auth: a connected entry is admitted; an entry that is not
  // connected is connected again while fewer than `limit` are; anything else is Unknown below the limit
  // and LimitReached at it. An admitted call counts as the device's last sign of life.
  TokenCheck checkToken(const std::string& token, std::size_t limit, double nowMs);

 private:
  std::size_t connectedCountLocked() const VL_REQUIRES(mutex_);
  void capTableLocked() VL_REQUIRES(mutex_);

  mutable Mutex mutex_;
  std::string identifier_ VL_GUARDED_BY(mutex_);
  std::string name_ VL_GUARDED_BY(mutex_);
  std::string password_ VL_GUARDED_BY(mutex_);
  double updateTime_ VL_GUARDED_BY(mutex_) = 0;
  std::string deviceName_ VL_GUARDED_BY(mutex_);
  std::string ip_ VL_GUARDED_BY(mutex_);
  std::int64_t port_ VL_GUARDED_BY(mutex_) = 0;
  std::map<std::string, AuthorizedBean> authorized_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
