#include "sync/server/RecordArrivals.h"

#include <algorithm>
#include <cmath>

namespace vl {

using Lock = MutexLock;

void RecordArrivals::note(const std::vector<Record>& records, double when, const std::string& token) {
  Lock lock(mutex_);
  for (const Record& record : records) {
    const bool added = bySig_.insert_or_assign(record.sig, Arrival{when, record.stamp, token}).second;
    if (added) order_.push_back(record.sig);
  }
  while (order_.size() > kKept) {
    bySig_.erase(order_.front());
    order_.pop_front();
  }
  if (!records.empty()) newest_ = std::max(newest_, when);
}

double RecordArrivals::timeOf(const std::string& sig, double stamp, const std::string& token) const {
  Lock lock(mutex_);
  auto it = bySig_.find(sig);
  if (it == bySig_.end() || it->second.stamp != stamp) return stamp;
  if (it->second.token == token) return -HUGE_VAL;
  return it->second.when;
}

bool RecordArrivals::anySince(double since) const {
  Lock lock(mutex_);
  return !bySig_.empty() && newest_ >= since;
}

void RecordArrivals::clear() {
  Lock lock(mutex_);
  bySig_.clear();
  order_.clear();
  newest_ = 0;
}

}  // namespace vl
