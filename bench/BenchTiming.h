// Timing helpers the benchmark programs share.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vl::bench {

// A benchmark whose fixture could not be made measures nothing: it stops with a failure.
inline void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "bench: %s failed\n", what);
  std::exit(1);
}

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
