// Timing helpers the benchmark programs share.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace vl::bench {

using Steady = std::chrono::steady_clock;

inline double msSince(Steady::time_point start) {
  return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// The middle value (the upper of the two middle ones for an even count); `v` must not be empty.
inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace vl::bench
