// Where a benchmark's memory goes: resident pages, and what the allocator holds for live blocks, for
// freed ones it keeps, and in blocks of their own mapping.
#pragma once

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <thread>

#include "platform/dispatch/Dispatch.h"

namespace vl::bench {

struct MemoryPoint {
  std::size_t resident = 0;
  // Live blocks in the allocator's heaps, the free blocks it keeps there, and blocks mapped one by one.
  std::size_t live = 0;
  std::size_t kept = 0;
  std::size_t mapped = 0;

  static MemoryPoint now() {
    MemoryPoint point;
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
      std::fclose(f);
    }
    point.resident = static_cast<std::size_t>(resident) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const struct mallinfo2 info = mallinfo2();
    point.live = info.uordblks;
    point.kept = info.fordblks;
    point.mapped = info.hblkhd;
    return point;
  }
};

// Bytes per record between two points, as a signed number.
inline double perRecord(std::size_t later, std::size_t earlier, std::size_t records) {
  return (static_cast<double>(later) - static_cast<double>(earlier)) / static_cast<double>(records);
}

// Returns once the work queued on the process-wide queue so far has run (searches hand the lists they
// let go of to it): a block per worker, each holding its worker until all have started.
inline void settleGlobalQueue() {
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  auto started = std::make_shared<std::atomic<unsigned>>(0);
  dispatch::Group group;
  for (unsigned i = 0; i < workers; ++i) {
    group.async(dispatch::Queue::global(), [started, workers] {
      started->fetch_add(1);
      while (started->load() < workers) std::this_thread::yield();
    });
  }
  group.wait();
}

}  // namespace vl::bench
