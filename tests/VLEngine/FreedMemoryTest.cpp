#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "VLEngine/doc/memory/FreedMemory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

extern char** environ;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kOwnAllocator = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kOwnAllocator = false;
#else
constexpr bool kOwnAllocator = true;
#endif
#else
constexpr bool kOwnAllocator = true;
#endif

constexpr const char* kChildVariable = "VL_FREED_MEMORY_CHILD";

#ifdef __GLIBC__
// The heaps the allocator made so far, as its own report counts them.
int heapsMade() {
  char* text = nullptr;
  std::size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  malloc_info(0, out);
  std::fclose(out);
  const std::string report(text, size);
  std::free(text);
  int heaps = 0;
  for (std::size_t at = report.find("<heap nr="); at != std::string::npos;
       at = report.find("<heap nr=", at + 1))
    ++heaps;
  return heaps;
}

// Many threads allocating at once, as the pool's search slices do; each that finds every heap busy
// makes another, up to the limit.
void crowdTheHeaps() {
  const unsigned threads = 4 * std::max(4u, std::thread::hardware_concurrency());
  std::atomic<unsigned> started{0};
  std::vector<std::thread> crowd;
  for (unsigned i = 0; i < threads; ++i) {
    crowd.emplace_back([&started, threads] {
      // All are alive at once, so none inherits the heap of one that ended.
      void* volatile block = std::malloc(256);
      started.fetch_add(1);
      while (started.load() < threads) std::this_thread::yield();
      std::free(block);
    });
  }
  for (std::thread& thread : crowd) thread.join();
}
#endif

// The environment without what tells the allocator how many heaps to make or when to fix their number
// (MALLOC_ARENA_MAX and the other MALLOC_ variables, glibc.malloc tunables): the child runs the
// allocator's own defaults, whatever the machine or the shell set.
std::vector<std::string> allocatorDefaultEnvironment() {
  std::vector<std::string> out;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("MALLOC_", 0) == 0) continue;
    if (entry.rfind("GLIBC_TUNABLES=", 0) == 0) {
      std::string kept;
      const std::string list = entry.substr(std::string("GLIBC_TUNABLES=").size());
      for (std::size_t from = 0; from <= list.size();) {
        const std::size_t end = std::min(list.find(':', from), list.size());
        const std::string tunable = list.substr(from, end - from);
        if (!tunable.empty() && tunable.rfind("glibc.malloc.", 0) != 0)
          kept += (kept.empty() ? "" : ":") + tunable;
        from = end + 1;
      }
      if (!kept.empty()) out.push_back("GLIBC_TUNABLES=" + kept);
      continue;
    }
    out.push_back(entry);
  }
  return out;
}

// Runs this test's child part in a fresh process, where no thread made a heap yet.
int runChild(const std::string& filter, const std::string& order) {
  std::vector<std::string> entries = allocatorDefaultEnvironment();
  entries.push_back(std::string(kChildVariable) + "=" + order);
  std::vector<char*> env;
  for (std::string& entry : entries) env.push_back(entry.data());
  env.push_back(nullptr);
  const std::string filterArg = "--gtest_filter=" + filter;
  char* argv[] = {const_cast<char*>("/proc/self/exe"), const_cast<char*>(filterArg.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, env.data()) != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

// The limit is the allocator's only while no thread has crowded it; set once the store's threads ran,
// it changed nothing.
TEST(FreedMemory, TheHeapLimitSetAtStartHoldsAgainstACrowdOfThreads) {
#ifdef __GLIBC__
  if (const char* order = std::getenv(kChildVariable)) {
    if (std::string(order) == "first") vl::FreedMemory::atStart();
    crowdTheHeaps();
    if (std::string(order) == "late") vl::FreedMemory::atStart();
    crowdTheHeaps();
    const int heaps = heapsMade();
    // No heap in the report: another allocator stands in for glibc's (preloaded), which has none.
    std::_Exit(heaps == 0 ? 2 : heaps <= vl::FreedMemory::heapLimit() ? 0 : 1);
  }
  if (!kOwnAllocator) GTEST_SKIP() << "the sanitizer's allocator has no heaps of glibc's kind";
  const std::string filter = ::testing::UnitTest::GetInstance()->current_test_suite()->name() +
                             std::string(".") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const int first = runChild(filter, "first");
  if (first == 2) GTEST_SKIP() << "the allocator reports no heaps of glibc's kind";
  EXPECT_EQ(first, 0) << "more heaps than the limit set before any thread";
  // What setting it late does, which is why it is set first: the allocator already fixed its own.
  if (std::thread::hardware_concurrency() >= 2) {
    EXPECT_EQ(runChild(filter, "late"), 1);
  }
#else
  GTEST_SKIP() << "no glibc allocator";
#endif
}
