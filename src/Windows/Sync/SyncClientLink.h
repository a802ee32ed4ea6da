#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vl {

// What the sync bar needs of the joined side: the network this device is joined to, whether the session
// reaches its server, and leaving it. The default answers from the stored joined network
// (JoinDataSyncStore::currentJoin) and the client session; tests install their own. Main thread only.
class SyncClientLink {
 public:
  virtual ~SyncClientLink() = default;

  // The name of the joined network; none while not joined.
  virtual std::optional<std::string> joinedNetworkName() const;
  // Whether the client session polls its server.
  virtual bool connected() const;
  // Leaves the joined network: a goodbye to the server when it is reachable (not waited for), and no
  // joined network afterwards.
  virtual void bye();
  // The goodbye at termination, waiting for its reply.
  virtual void syncBye();

  static SyncClientLink& current();
  // nullptr restores the default.
  static void install(std::shared_ptr<SyncClientLink> link);
};

}  // namespace vl
