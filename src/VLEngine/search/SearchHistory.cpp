#include "VLEngine/search/SearchHistory.h"

#include "VLEngine/VLEngine.h"
#include "platform/foundation/Log.h"

namespace vl {

SearchHistory& SearchHistory::shared() {
  static SearchHistory* history = new SearchHistory();
  return *history;
}

void SearchHistory::setRowsProvider(RowsProvider provider) {
  std::lock_guard<std::mutex> lock(lock_);
  rowsProvider_ = std::move(provider);
}

bool SearchHistory::hasRowsProvider() const {
  std::lock_guard<std::mutex> lock(lock_);
  return static_cast<bool>(rowsProvider_);
}

void SearchHistory::saveScreenshot(const std::string& query) {
  if (query.empty()) return;
  RowsProvider provider;
  {
    std::lock_guard<std::mutex> lock(lock_);
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
  std::lock_guard<std::mutex> lock(lock_);
  screenshots_[query] = std::move(rows);
}

bool SearchHistory::renderScreenshot(const std::string& query) {
  DisplayRows rows;
  {
    std::lock_guard<std::mutex> lock(lock_);
    auto it = screenshots_.find(query);
    if (it == screenshots_.end()) return false;
    rows = it->second;
  }
  logf("render from screenshot of a query of %zu bytes", query.size());
  if (auto channel = VLEngine::shared().channel()) channel->receivedData(rows, kReplayTaskId, false);
  return true;
}

void SearchHistory::clean() {
  {
    std::lock_guard<std::mutex> lock(lock_);
    screenshots_.clear();
  }
  VLEngine::shared().cleanMatchedChunks();
}

std::map<std::string, DisplayRows> SearchHistory::screenshots() const {
  std::lock_guard<std::mutex> lock(lock_);
  return screenshots_;
}

}  // namespace vl
