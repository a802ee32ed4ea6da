#include "VLEngine/search/SearchHistory.h"

#include <algorithm>

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
    logDebug("search: no result list to take a screenshot of");
    return;
  }
  saveScreenshot(query, provider());
}

void SearchHistory::saveScreenshot(const std::string& query, DisplayRows rows) {
  if (query.empty() || query.size() > kMaxQueryBytes) return;
  MutexLock lock(lock_);
  auto [it, added] = screenshots_.try_emplace(query);
  it->second = std::move(rows);
  if (!added) {
    order_.erase(std::find(order_.begin(), order_.end(), query));
  }
  order_.push_back(query);
  while (order_.size() > kMaxQueries) {
    screenshots_.erase(order_.front());
    order_.pop_front();
  }
}

bool SearchHistory::renderScreenshot(const std::string& query) {
  DisplayRows rows;
  {
    MutexLock lock(lock_);
    auto it = screenshots_.find(query);
    if (it == screenshots_.end()) return false;
    rows = it->second;
  }
  logDebugf("render from screenshot of a query of %zu bytes", query.size());
  if (auto channel = VLEngine::shared().channel()) channel->receivedData(rows, kReplayTaskId, false);
  return true;
}

void SearchHistory::clean() {
  {
    MutexLock lock(lock_);
    screenshots_.clear();
    order_.clear();
  }
  VLEngine::shared().cleanMatchedChunks();
}

std::map<std::string, DisplayRows> SearchHistory::screenshots() const {
  MutexLock lock(lock_);
  return screenshots_;
}

}  // namespace vl
