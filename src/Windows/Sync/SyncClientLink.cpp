#include "Windows/Sync/SyncClientLink.h"

#include <utility>

#include "sync/client/ClientSession.h"
#include "sync/store/JoinDataSyncStore.h"

namespace vl {

namespace {

std::shared_ptr<SyncClientLink>& installed() {
  static std::shared_ptr<SyncClientLink> link = std::make_shared<SyncClientLink>();
  return link;
}

}  // namespace

std::optional<std::string> SyncClientLink::joinedNetworkName() const {
  std::optional<ClientSyncNetworkBean> joined = JoinDataSyncStore::shared().currentJoin();
  if (!joined) return std::nullopt;
  return joined->networkName;
}

bool SyncClientLink::connected() const {
  ClientSession* session = ClientSession::currentSession();
  return session && session->state() == ClientSession::State::Polling;
}

void SyncClientLink::bye() {
  if (ClientSession* session = ClientSession::currentSession()) {
    session->bye();
  } else {
    JoinDataSyncStore::shared().setCurrentJoin(std::nullopt);
  }
}

void SyncClientLink::syncBye() {
  if (ClientSession* session = ClientSession::currentSession()) session->syncBye();
}

SyncClientLink& SyncClientLink::current() { return *installed(); }

void SyncClientLink::install(std::shared_ptr<SyncClientLink> link) {
  installed() = link ? std::move(link) : std::make_shared<SyncClientLink>();
}

}  // namespace vl
