#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "platform/foundation/Mutex.h"

namespace vl {

// The replay cache: the rows the result list showed for each recent query, so that typing back to a
// query shows its rows again without searching. Only the latest few queries are kept, and none longer
// than a line: every keystroke is a query, and each holds its rows and their highlights.
class SearchHistory {
 public:
  // Replayed rows carry the largest 32-bit id, which passes the receiver's stale test.
  static constexpr std::int64_t kReplayTaskId = 2147483647;
  static constexpr std::size_t kMaxQueries = 64;
  static constexpr std::size_t kMaxQueryBytes = 1024;

  static SearchHistory& shared();
  SearchHistory() = default;

  // The result list installs how to read the rows it shows.
  using RowsProvider = std::function<DisplayRows()>;
  void setRowsProvider(RowsProvider provider);
  bool hasRowsProvider() const;

  // Stores the result list's current rows for a non-empty query.
  void saveScreenshot(const std::string& query);
  void saveScreenshot(const std::string& query, DisplayRows rows);
  // Hands the stored rows of the query to the record store's channel and answers true; false (and
  // nothing sent) when none are stored.
  bool renderScreenshot(const std::string& query);
  // Forgets every query and clears the last matches of the active tab's docs.
  void clean();

  std::map<std::string, DisplayRows> screenshots() const;

 private:
  // A leaf lock: the provider is called, and rows are handed to the channel, without it.
  mutable Mutex lock_;
  std::map<std::string, DisplayRows> screenshots_ VL_GUARDED_BY(lock_);
  // The stored queries, oldest first.
  std::deque<std::string> order_ VL_GUARDED_BY(lock_);
  RowsProvider rowsProvider_ VL_GUARDED_BY(lock_);
};

}  // namespace vl
