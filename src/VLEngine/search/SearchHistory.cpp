#include "VLEngine/search/SearchHistory.h"

#include "VLEngine/VLEngine.h"
#include "platform/foundation/Log.h"

namespace vl {

SearchHistory& SearchHistory::shared() {
  static SearchHistory* history = new SearchHistory();
  return *history;
}

void SearchHistory::setRowsProvider(RowsProvider provider) {
  MutexLock lock(lock_);
  rowsProvider_ = std::move(provider);
}

bool SearchHistory::hasRowsProvider() const {
  MutexLock lock(lock_);
  return static_cast<bool>(rowsProvider_);
}

void SearchHistory::saveScreenshot(const std::string& query) {
  if (query.empty()) return;
  RowsProvider provider;
  {
    MutexLock lock(lock_);
    provider = rowsProvider_;
  }
  if (!provider) {
    log("search: no result list to take a screenshot of");
    return;
  }
  saveScreenshot(query, provider());
}

void SearchHistory::saveScreenshot(const std::string& query, DisplayRows rows) {
  if (query.empty()) return;
  MutexLock lock(lock_);
  screenshots_[query] = std::move(rows);
}

bool SearchHistory::renderScreenshot(const std::string& query) {
  DisplayRows rows;
  {
    MutexLock lock(lock_);
    auto it = screenshots_.find(query);
    if (it == screenshots_.end()) return false;
    rows = it->second;
  }
  logf("render from screenshot %s", query.c_str());
  if (auto channel = VLEngine::shared().channel()) channel->receivedData(rows, kReplayTaskId, false);
  return true;
}

void SearchHistory::clean() {
  {
    MutexLock lock(lock_);
    screenshots_.clear();
  }
  VLEngine::shared().cleanMatchedChunks();
}

std::map<std::string, DisplayRows> SearchHistory::screenshots() const {
  MutexLock lock(lock_);
  return screenshots_;
}

}  // namespace vl
