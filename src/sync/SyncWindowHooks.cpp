#include "sync/SyncWindowHooks.h"

#include <utility>

#include "platform/foundation/Mutex.h"

namespace vl {

namespace {

struct Installed {
  Mutex mutex;
  SyncWindowHooks::Action reloadSyncBar VL_GUARDED_BY(mutex);
  SyncWindowHooks::Action refreshHistoryList VL_GUARDED_BY(mutex);
};

Installed& installed() {
  static Installed hooks;
  return hooks;
}

void run(SyncWindowHooks::Action Installed::*member) {
  Installed& hooks = installed();
  SyncWindowHooks::Action action;
  {
    MutexLock lock(hooks.mutex);
    action = hooks.*member;
  }
  if (action) action();
}

}  // namespace

void SyncWindowHooks::setReloadSyncBar(Action action) {
  Installed& hooks = installed();
  MutexLock lock(hooks.mutex);
  hooks.reloadSyncBar = std::move(action);
}

void SyncWindowHooks::setRefreshHistoryList(Action action) {
  Installed& hooks = installed();
  MutexLock lock(hooks.mutex);
  hooks.refreshHistoryList = std::move(action);
}

void SyncWindowHooks::reset() {
  Installed& hooks = installed();
  MutexLock lock(hooks.mutex);
  hooks.reloadSyncBar = nullptr;
  hooks.refreshHistoryList = nullptr;
}

bool SyncWindowHooks::hasReloadSyncBar() {
  Installed& hooks = installed();
  MutexLock lock(hooks.mutex);
  return static_cast<bool>(hooks.reloadSyncBar);
}

bool SyncWindowHooks::hasRefreshHistoryList() {
  Installed& hooks = installed();
  MutexLock lock(hooks.mutex);
  return static_cast<bool>(hooks.refreshHistoryList);
}

void SyncWindowHooks::reloadSyncBar() { run(&Installed::reloadSyncBar); }
void SyncWindowHooks::refreshHistoryList() { run(&Installed::refreshHistoryList); }

}  // namespace vl
