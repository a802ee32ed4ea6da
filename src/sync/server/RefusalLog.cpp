#include "sync/server/RefusalLog.h"

#include <iterator>
#include <utility>

#include "platform/foundation/Log.h"

namespace vl {

RefusalLog::RefusalLog(std::string what, std::string why, Policy policy)
    : what_(std::move(what)), why_(std::move(why)), policy_(policy) {}

void RefusalLog::beginPeriodLocked(double nowMs) {
  if (othersUntold_ > 0) {
    logWarningf("sync server: %zu more attempts of %s refused from other addresses in the last %.0f s",
                othersUntold_, what_.c_str(), policy_.periodMs / 1000);
  }
  othersUntold_ = 0;
  linesThisPeriod_ = 0;
  periodStartMs_ = nowMs;
  started_ = true;
  // An address whose count was told has nothing left to say; one that still has a count keeps it.
  for (auto it = addresses_.begin(); it != addresses_.end();) {
    const bool over = nowMs - it->second.lastLineMs >= policy_.periodMs;
    it = over && it->second.untold == 0 ? addresses_.erase(it) : std::next(it);
  }
}

void RefusalLog::refused(const std::string& address, double nowMs) {
  MutexLock lock(mutex_);
  if (!started_ || nowMs - periodStartMs_ >= policy_.periodMs) beginPeriodLocked(nowMs);
  auto it = addresses_.find(address);
  if (it != addresses_.end() && nowMs - it->second.lastLineMs < policy_.periodMs) {
    ++it->second.untold;
    return;
  }
  if (linesThisPeriod_ >= policy_.linesPerPeriod ||
      (it == addresses_.end() && addresses_.size() >= policy_.maxAddresses)) {
    ++othersUntold_;
    return;
  }
  if (it == addresses_.end()) it = addresses_.emplace(address, Address{}).first;
  if (it->second.untold > 0) {
    logWarningf("sync server: %s from %s refused: %s (and %zu times more since its last line)", what_.c_str(),
                address.c_str(), why_.c_str(), it->second.untold);
  } else {
    logWarningf("sync server: %s from %s refused: %s", what_.c_str(), address.c_str(), why_.c_str());
  }
  it->second = Address{nowMs, 0};
  ++linesThisPeriod_;
}

}  // namespace vl
