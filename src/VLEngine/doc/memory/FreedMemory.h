#pragma once

namespace vl {

// What the store asks of the allocator. The history is most of this process's memory, loading it reads
// several times its size, and each search allocates and lets go of several times its rows in matches
// on every core; left to itself, the allocator keeps what they let go of in its heaps.
class FreedMemory {
 public:
  // First thing in main(), while it is the only thread: the number of heaps is limited to heapLimit().
  static void atStart();
  static int heapLimit();
  // While docs load: freed memory is kept for the next load instead of being handed back and faulted in
  // again, and doc-sized buffers come from the heap.
  static void keepForLoads();
  // Once the loads are done (and before any): blocks up to kMappedFromBytes come from the heaps, which
  // keep a free top of up to kKeptTopBytes for the next large text (the main thread's dozens of megabytes
  // for a huge record); what the loads let go of goes back.
  static void loadsDone();
  static void steady();
  // After work that let go of much memory (a search): once nothing else came for kQuietMs, it goes back.
  // The pause is minutes long: what goes back is what the next search takes again, and given back after
  // a few seconds, the first key after any pause faulted it in again on every core, a key twice as slow
  // as one of a warm run.
  static void returnWhenQuiet();
  // What the quiet moment does, at once: the free pages of every heap go back to the system, the free
  // tops of the worker threads' heaps included.
  static void returnNow();

  static constexpr double kQuietMs = 5 * 60 * 1000;
  static constexpr int kMappedFromBytes = 32 << 20;
  static constexpr int kKeptTopBytes = 64 << 20;
};

}  // namespace vl
