#include "startup/SyncSteps.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/QuickAccess.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Sync/SyncBar2.h"
#include "Windows/Sync/SyncClientLink.h"
#include "Windows/Sync/SyncScreens.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "sync/SyncWindowHooks.h"
#include "sync/client/ClientSession.h"
#include "sync/discovery/IFConfig.h"
#include "sync/discovery/PeripheralRole.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "sync/transfer/FileTransferCenter.h"

namespace vl {

namespace {

// A RowTransfer that owns its observations of one transfer; the transfer is held too, so its address,
// which the observations filter on, cannot be taken by another while they live.
struct FollowedTransfer : RowTransfer {
  std::shared_ptr<FileTransferEntity> entity;
  std::vector<Observation> observations;
  // Main thread only: the end reaches the row once, however it was learnt.
  bool endSeen = false;
};

void endOnMain(const std::weak_ptr<FollowedTransfer>& weak) {
  dispatch::Queue::main()->async([weak] {
    auto self = weak.lock();
    if (!self || self->endSeen) return;
    self->endSeen = true;
    self->fraction = 1;
    if (self->onEnd) self->onEnd();
  });
}

double fractionOf(std::int64_t received, std::int64_t total) {
  return total > 0 ? std::clamp(static_cast<double>(received) / static_cast<double>(total), 0.0, 1.0) : 0.0;
}

std::shared_ptr<RowTransfer> follow(const std::shared_ptr<FileTransferEntity>& entity) {
  auto transfer = std::make_shared<FollowedTransfer>();
  transfer->entity = entity;
  transfer->fraction = fractionOf(entity->received(), entity->total());
  std::weak_ptr<FollowedTransfer> weak = transfer;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  // Posted on the feeding thread (a gRPC loop); the row's blocks run on the main thread only.
  auto progress = [weak](const Notification&) {
    dispatch::Queue::main()->async([weak] {
      auto self = weak.lock();
      if (!self) return;
      self->fraction = fractionOf(self->entity->received(), self->entity->total());
      if (self->onProgress) self->onProgress();
    });
  };
  transfer->observations.push_back(center.observe(FileTransferEntity::kSetMaxValue, entity.get(), progress));
  transfer->observations.push_back(center.observe(FileTransferEntity::kDidUpdate, entity.get(), progress));
  transfer->observations.push_back(center.observe(FileTransferEntity::kEndProcess, entity.get(),
                                                  [weak](const Notification&) { endOnMain(weak); }));
  // An end posted between the look-up and the observations above was not heard.
  if (entity->ended()) endOnMain(weak);
  return transfer;
}

void refreshHistoryList() {
  auto controller = std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController());
  if (controller && controller->searchInput()->text().empty()) VLEngine::shared().noneInput();
}

}  // namespace

void registerSyncScreens() {
  if (auto controller = std::dynamic_pointer_cast<MainViewController>(QuickAccess::mainViewController())) {
    SyncScreens::installInto(controller);
  } else {
    SyncScreens::install();
  }
  IFConfig::shared().setSyncBarHooks(SyncScreens::syncBarHooks());
}

RowServices::TransferLookup syncTransferLookup() {
  return [](const std::string& signature) -> std::shared_ptr<RowTransfer> {
    std::shared_ptr<FileTransferEntity> entity = FileTransferCenter::defaultCenter().getEntity(signature);
    // An ended transfer may still be registered for a moment; its image is what shows now.
    return entity && !entity->ended() ? follow(entity) : nullptr;
  };
}

void installSyncSteps(StartupHooks& hooks) {
  if (!hooks.saveCreatedDataSyncNetworks) {
    hooks.saveCreatedDataSyncNetworks = [] {
      if (!CreatedDataSyncStore::shared().save()) logError("sync: the created networks are not saved");
    };
  }
  // After the windows: the bar goes into the main window's preview column.
  hooks.registerPanels = [previous = std::move(hooks.registerPanels)] {
    if (previous) previous();
    registerSyncScreens();
  };
  // A joined device that quits says goodbye, within a bound that never holds the quit.
  if (!hooks.sayGoodbyeIfJoined) {
    hooks.sayGoodbyeIfJoined = [] {
      if (ClientSession* session = ClientSession::currentSession()) session->syncBye();
    };
  }
  // Every new copy and every merged copy goes to the joined network; a join renews the session.
  ClientSession::installHooks();
  // Watches the sync interface from launch on.
  if (!hooks.createNetworkConfiguration) hooks.createNetworkConfiguration = [] { IFConfig::shared(); };
  // Bluetooth advertises the network this device serves now.
  PeripheralRole::setServedNetworkSource([]() -> std::optional<PeripheralRole::ServedNetwork> {
    CreatedDataSyncStore::Network network = CreatedDataSyncStore::shared().currentProvider();
    if (!network) return std::nullopt;
    return PeripheralRole::ServedNetwork{network->identifier(), network->name()};
  });
  RowServices::setTransferLookup(syncTransferLookup());
  SyncWindowHooks::setRefreshHistoryList(refreshHistoryList);
}

}  // namespace vl
