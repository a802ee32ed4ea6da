#include "VLEngine/doc/memory/FreedMemory.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/dispatch/Dispatch.h"

namespace vl {

namespace {

// Raised by every call to returnWhenQuiet: a waiting return that sees it moved on leaves the work to the
// return the later call scheduled.
std::atomic<std::uint64_t> gBursts{0};

#ifdef __GLIBC__
// A freed block of this size makes the allocator look at its thread's heap top, and trim it when it
// passes the trim threshold; a heap's top is nothing malloc_trim gives back for a thread of the pool.
constexpr std::size_t kProbeBytes = 128 << 10;
constexpr int kTrimBytesWhileReturning = 128 << 10;
// How long a probe waits for the others to start, so that each runs on a worker of its own.
constexpr auto kProbeGathering = std::chrono::milliseconds(50);

// A block taken and freed on this thread (through a volatile pointer, which no compiler drops).
void probe() {
  void* volatile block = std::malloc(kProbeBytes);
  std::free(block);
}

// One block per worker of the pool, each freeing a probe on its own thread.
void probeWorkerHeaps() {
  const unsigned workers = std::max(2u, std::thread::hardware_concurrency());
  auto started = std::make_shared<std::atomic<unsigned>>(0);
  dispatch::Group group;
  for (unsigned i = 0; i < workers; ++i) {
    group.async(dispatch::Queue::global(), [started, workers] {
      started->fetch_add(1);
      const auto until = std::chrono::steady_clock::now() + kProbeGathering;
      while (started->load() < workers && std::chrono::steady_clock::now() < until) std::this_thread::yield();
      probe();
    });
  }
  (void)group.wait(1000);  // a pool busy with long work leaves some heaps for the next quiet moment
}
#endif

}  // namespace

void FreedMemory::keepForLoads() {
#ifdef __GLIBC__
  // A load reads the history whole into fresh allocations. Left to itself, the allocator hands freed
  // memory back to the kernel at every trim and maps doc-sized buffers afresh, so each reload faults every
  // page in again, which costs more than reading the docs.
  constexpr int kKeptFreeBytes = 512 << 20;
  mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
  mallopt(M_MMAP_THRESHOLD, kMappedFromBytes);
#endif
}

void FreedMemory::loadsDone() {
  steady();
  // The loads ran on this thread: its heap holds what they let go of.
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

void FreedMemory::steady() {
#ifdef __GLIBC__
  mallopt(M_TRIM_THRESHOLD, kKeptTopBytes);
  mallopt(M_MMAP_THRESHOLD, kMappedFromBytes);
#endif
}

int FreedMemory::heapLimit() {
  return static_cast<int>(std::max(2u, std::thread::hardware_concurrency() / 2));
}

void FreedMemory::atStart() {
#ifdef __GLIBC__
  // Each heap keeps pages that its live blocks pin when the rest of it is given back, and the threads
  // of the pool would each have one; they share half as many, which their own caches of small blocks
  // keep from waiting on each other. The allocator fixes its limit for good once threads made more
  // heaps than its first test allows, so the limit is set before any thread.
  mallopt(M_ARENA_MAX, heapLimit());
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
  mallopt(M_TRIM_THRESHOLD, kTrimBytesWhileReturning);
  probeWorkerHeaps();
  probe();  // this thread's own heap
  malloc_trim(0);
  mallopt(M_TRIM_THRESHOLD, kKeptTopBytes);
#endif
}

}  // namespace vl
