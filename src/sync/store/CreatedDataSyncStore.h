#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "sync/store/ServerSyncNetworkBean.h"

namespace vl {

// The sync networks this device created, newest first, and the one it serves now (currentProvider).
//
// The list is read once from the standard settings domain under "createdServerDataSyncNetwork" (a JSON
// array of ServerSyncNetworkBean::toJson, in a file of mode 0600 that is replaced whole on every write)
// and then kept in memory; changes stay in memory until save(). Passwords are stored as typed, so the
// store never logs a network, only its identifier.
//
// Used from the main thread and from the server's loop (the handlers save after each admission). Its
// lock guards the list and the served network and is held for no longer than each read or change; a
// network's own lock is taken after it, never before.
class CreatedDataSyncStore {
 public:
  static constexpr const char* kDefaultsKey = "createdServerDataSyncNetwork";
  using Network = std::shared_ptr<ServerSyncNetworkBean>;

  static CreatedDataSyncStore& shared();

  // Loaded on first use, ordered newest updateTime first (equal times keep their stored order). An
  // unreadable value reads as an empty list; the next save replaces it.
  std::vector<Network> providerList();
  void setProviderList(std::vector<Network> list);
  // At the front (memory only).
  void add(Network network);
  // The first network with that identifier (memory only).
  void removeWithIdentifier(const std::string& identifier);
  // Every network with that identifier: a non-empty name and a non-empty password replace the old
  // ones, and updateTime becomes now (memory only).
  void updateWithIdentifier(const std::string& identifier, const std::string& name,
                            const std::string& password);
  // Writes the whole list (nothing when it was never read or set); false (logged) when the settings file
  // could not be written.
  [[nodiscard]] bool save();
  // Removes the stored key; the list in memory stays.
  void clear();

  Network currentProvider() const;
  void setCurrentProvider(Network network);

  // Forgets the list (the next use reads the settings again) and the served network, as after a
  // restart of the program.
  void resetForTesting();

 private:
  CreatedDataSyncStore() = default;
  void loadLocked() VL_REQUIRES(mutex_);

  // Held across a snapshot and its write, so an older list never lands after a newer one.
  Mutex saveMutex_ VL_ACQUIRED_BEFORE(mutex_);
  mutable Mutex mutex_;
  bool loaded_ VL_GUARDED_BY(mutex_) = false;
  std::vector<Network> list_ VL_GUARDED_BY(mutex_);
  Network current_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
