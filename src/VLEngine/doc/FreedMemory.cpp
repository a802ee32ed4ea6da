#include "VLEngine/doc/FreedMemory.h"

#include <atomic>
#include <cstdint>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/dispatch/Dispatch.h"

namespace vl {

namespace {

// Raised by every call to returnWhenQuiet: a waiting return that sees it moved on leaves the work to the
// return the later call scheduled.
std::atomic<std::uint64_t> gBursts{0};

}  // namespace

void FreedMemory::keepForLoads() {
#ifdef __GLIBC__
  // A load reads the history whole into fresh allocations. Left to itself, the allocator hands freed
  // memory back to the kernel at every trim and maps doc-sized buffers afresh, so each reload faults every
  // page in again, which costs more than reading the docs.
  constexpr int kKeptFreeBytes = 512 << 20;
  constexpr int kMappedFromBytes = 32 << 20;
  mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
  mallopt(M_MMAP_THRESHOLD, kMappedFromBytes);
#endif
}

void FreedMemory::loadsDone() {
  steady();
  returnNow();
}

void FreedMemory::steady() {
#ifdef __GLIBC__
  // Searches run on every core, each worker in a heap of its own; left to the allocator's own bounds
  // (which grow with the largest block it ever mapped), each heap keeps the top it reached.
  constexpr int kMappedFromBytes = 128 << 10;
  mallopt(M_TRIM_THRESHOLD, kTrimBytes);
  mallopt(M_MMAP_THRESHOLD, kMappedFromBytes);
#endif
}

void FreedMemory::returnWhenQuiet() {
  const std::uint64_t burst = ++gBursts;
  dispatch::after(kQuietMs, dispatch::Queue::global(), [burst] {
    if (gBursts.load() == burst) returnNow();
  });
}

void FreedMemory::returnNow() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

}  // namespace vl
