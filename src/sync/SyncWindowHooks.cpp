#include "sync/SyncWindowHooks.h"

#include <mutex>
#include <utility>

namespace vl {

namespace {

struct Installed {
  std::mutex mutex;
  SyncWindowHooks::Action reloadSyncBar;
  SyncWindowHooks::Action refreshHistoryList;
};

Installed& installed() {
  static Installed hooks;
  return hooks;
}

void run(SyncWindowHooks::Action Installed::*member) {
  SyncWindowHooks::Action action;
  {
    std::lock_guard<std::mutex> lock(installed().mutex);
    action = installed().*member;
  }
  if (action) action();
}

}  // namespace

void SyncWindowHooks::setReloadSyncBar(Action action) {
  std::lock_guard<std::mutex> lock(installed().mutex);
  installed().reloadSyncBar = std::move(action);
}

void SyncWindowHooks::setRefreshHistoryList(Action action) {
  std::lock_guard<std::mutex> lock(installed().mutex);
  installed().refreshHistoryList = std::move(action);
}

void SyncWindowHooks::reset() {
  std::lock_guard<std::mutex> lock(installed().mutex);
  installed().reloadSyncBar = nullptr;
  installed().refreshHistoryList = nullptr;
}

bool SyncWindowHooks::hasReloadSyncBar() {
  std::lock_guard<std::mutex> lock(installed().mutex);
  return static_cast<bool>(installed().reloadSyncBar);
}

bool SyncWindowHooks::hasRefreshHistoryList() {
  std::lock_guard<std::mutex> lock(installed().mutex);
  return static_cast<bool>(installed().refreshHistoryList);
}

void SyncWindowHooks::reloadSyncBar() { run(&Installed::reloadSyncBar); }
void SyncWindowHooks::refreshHistoryList() { run(&Installed::refreshHistoryList); }

}  // namespace vl
