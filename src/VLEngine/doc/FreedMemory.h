#pragma once

namespace vl {

// What the store asks of the allocator. The history is most of this process's memory, loading it reads
// several times its size, and each search allocates and lets go of several times its rows in matches;
// left to itself, the allocator keeps what they let go of in its heaps for good.
class FreedMemory {
 public:
  // While docs load: freed memory is kept for the next load instead of being handed back and faulted in
  // again, and doc-sized buffers come from the heap.
  static void keepForLoads();
  // Once the loads are done, and whenever no load ran yet: what the loads let go of goes back, and from
  // then on a heap whose free top passes kTrimBytes gives it back as soon as it is freed.
  static void loadsDone();
  static void steady();
  // After work that let go of much memory (a search): once nothing else came for kQuietMs, the free pages
  // in the allocator's heaps go back to the system.
  static void returnWhenQuiet();
  // What the quiet moment does, at once.
  static void returnNow();

  static constexpr double kQuietMs = 2000;
  static constexpr int kTrimBytes = 128 << 10;
};

}  // namespace vl
