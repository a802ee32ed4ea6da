#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vl {

// What the sync bar needs of the joined side (the client session, which sits beside this folder in
// sync): the network this device is joined to, whether the session reaches its server, and leaving it.
// The client session installs its own at start-up; until then the default answers from the stored
// joined network (JoinDataSyncStore::currentJoin) and is never connected. Main thread only.
class SyncClientLink {
 public:
  virtual ~SyncClientLink() = default;

  // The name of the joined network; none while not joined.
  virtual std::optional<std::string> joinedNetworkName() const;
  virtual bool connected() const { return false; }
  // Leaves the joined network: a goodbye to the server when it is reachable (not waited for), and no
  // joined network afterwards.
  virtual void bye();
  // The goodbye at termination, waiting for its reply.
  virtual void syncBye() {}

  static SyncClientLink& current();
  // nullptr restores the default.
  static void install(std::shared_ptr<SyncClientLink> link);
};

}  // namespace vl
