#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "sync/store/ClientSyncNetworkBean.h"

namespace vl {

// The sync networks this device joined, with the tokens they gave it, and the network it is joined to
// now (currentJoin) or is trying to join (attempJoin).
//
// Stored in the standard settings domain under "joinDataSyncNetwork" (a JSON array of
// ClientSyncNetworkBean::toJson, file mode 0600, replaced whole). No list is kept in memory: every
// operation reads the stored list and writes it back. Thread-safe; tokens are never logged.
class JoinDataSyncStore {
 public:
  static constexpr const char* kDefaultsKey = "joinDataSyncNetwork";
  // Renews the client session with the token of the network that just became current. Installed by the
  // session; without one, joining only records the network.
  using SessionRenewer = std::function<void(const std::string& accessToken)>;

  static JoinDataSyncStore& shared();
  static void setSessionRenewer(SessionRenewer renewer);
  static bool hasSessionRenewer();

  // The stored list, newest timestamp first (equal times keep their stored order).
  std::vector<ClientSyncNetworkBean> data();
  // A stored network with the same networkId takes the bean's name, server name, ip and port, and its
  // token when that is not empty; an unknown one is appended.
  void addOrUpdate(const ClientSyncNetworkBean& bean);
  std::optional<ClientSyncNetworkBean> getBeanWithIdentifier(const std::string& networkId);
  // The first match.
  void removeWithIdentifier(const std::string& networkId);
  // On the first match.
  void setCanNotAutoJoinByLimitReached(const std::string& networkId, bool flag);
  // Clears the flag on every stored network.
  void restoreCanNotAutoJoinByLimitReachedFlag();
  // A stored network has the bean's id, a token, the bean's address and port, and is not flagged. A
  // network seen at another address is joined with its password, never with the remembered token.
  bool canAutoJoin(const ClientSyncNetworkBean& bean);
  // The index of the first discovered network, in list order, that canAutoJoin; -1 when none (or either
  // list is empty).
  std::int64_t autoJoin(const std::vector<ClientSyncNetworkBean>& discovered);

  // A network: stored as current, the session renewed with its token, attempJoin cleared. None: left.
  void setCurrentJoin(std::optional<ClientSyncNetworkBean> bean);
  std::optional<ClientSyncNetworkBean> currentJoin() const;
  // Keeps a copy of the identity and address only (copyWithZone).
  void setAttempJoin(std::optional<ClientSyncNetworkBean> bean);
  std::optional<ClientSyncNetworkBean> attempJoin() const;

  // Forgets the current and attempted networks (the stored list stays).
  void resetForTesting();

 private:
  JoinDataSyncStore() = default;
  // The lock also keeps one read-change-write of the stored list from crossing another.
  std::vector<ClientSyncNetworkBean> readLocked() VL_REQUIRES(mutex_);
  void writeLocked(const std::vector<ClientSyncNetworkBean>& list) VL_REQUIRES(mutex_);

  mutable Mutex mutex_;
  std::optional<ClientSyncNetworkBean> current_ VL_GUARDED_BY(mutex_);
  std::optional<ClientSyncNetworkBean> attempt_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
