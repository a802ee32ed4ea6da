#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace vl {

// When records pushed by joined devices arrived here, by this device's clock. A merged record keeps the
// time stamp its own device gave it, and another machine's clock may run behind this one: a poll that
// asks for records newer than a time of this clock would pass such a record by for good. A poll counts
// a merged record from its arrival instead, as long as its stamp is still the one it came with (a copy
// made again here stamps it anew), and never sends it back to the device that pushed it.
//
// In memory only, the newest kKept arrivals; a record forgotten counts by its stamp again. Used from the
// server's loop; a leaf lock guards it.
class RecordArrivals {
 public:
  static constexpr std::size_t kKept = 10000;

  struct Record {
    std::string sig;
    double stamp = 0;
  };
  // Records merged from the device holding `token`, at `when`.
  void note(const std::vector<Record>& records, double when, const std::string& token);
  // The time a poll of `token` counts the record from: its arrival, or its stamp when nothing is known
  // of it, its stamp changed since, or it came from that device (then -infinity: never sent back).
  double timeOf(const std::string& sig, double stamp, const std::string& token) const;
  // Whether a record arrived at `since` or later: without one, polls need not ask.
  bool anySince(double since) const;
  void clear();

 private:
  struct Arrival {
    double when = 0;
    double stamp = 0;
    std::string token;
  };

  mutable Mutex mutex_;
  std::unordered_map<std::string, Arrival> bySig_ VL_GUARDED_BY(mutex_);
  // Sigs in the order they arrived, for forgetting the oldest; a sig noted again stays at its old place.
  std::deque<std::string> order_ VL_GUARDED_BY(mutex_);
  double newest_ VL_GUARDED_BY(mutex_) = 0;
};

}  // namespace vl
