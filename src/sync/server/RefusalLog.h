#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "platform/foundation/Mutex.h"

namespace vl {

// Warnings about refused attempts, folded so that a peer that keeps trying cannot fill the disk where
// the log goes: one line per address and period, which tells how many attempts the address made since
// its last line. Addresses are free on a LAN, so at most `linesPerPeriod` addresses get a line of their
// own in a period; the attempts of the others are told as one count when the next period begins.
// Times are monotonic milliseconds given by the caller. Thread-safe; the lock is a leaf.
class RefusalLog {
 public:
  struct Policy {
    double periodMs = 60000;
    std::size_t linesPerPeriod = 16;
    std::size_t maxAddresses = 1024;
  };

  // Lines read "sync server: <what> from <address> refused: <why>".
  RefusalLog(std::string what, std::string why) : RefusalLog(std::move(what), std::move(why), Policy{}) {}
  RefusalLog(std::string what, std::string why, Policy policy);

  // One attempt from `address` (a host, without the port that changes with every connection) refused.
  void refused(const std::string& address, double nowMs);

 private:
  struct Address {
    double lastLineMs = 0;
    std::size_t untold = 0;
  };
  void beginPeriodLocked(double nowMs) VL_REQUIRES(mutex_);

  const std::string what_;
  const std::string why_;
  const Policy policy_;
  Mutex mutex_;
  std::map<std::string, Address> addresses_ VL_GUARDED_BY(mutex_);
  double periodStartMs_ VL_GUARDED_BY(mutex_) = 0;
  bool started_ VL_GUARDED_BY(mutex_) = false;
  std::size_t linesThisPeriod_ VL_GUARDED_BY(mutex_) = 0;
  // Attempts of addresses that got no line of their own.
  std::size_t othersUntold_ VL_GUARDED_BY(mutex_) = 0;
};

}  // namespace vl
