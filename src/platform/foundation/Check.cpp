#include "platform/foundation/Check.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

#if defined(NDEBUG)
constexpr UncaughtExceptionPolicy kDefaultPolicy = UncaughtExceptionPolicy::Log;
#else
constexpr UncaughtExceptionPolicy kDefaultPolicy = UncaughtExceptionPolicy::Abort;
#endif

// Constant-initialised, so a test's static initialiser may set it before anything else runs.
std::atomic<UncaughtExceptionPolicy> gPolicy{kDefaultPolicy};

std::atomic<bool> gMainAdopted{false};
std::atomic<std::thread::id> gMainThread{};

// Straight to stderr: a test may have replaced the log sink, and the line must survive the abort.
void writeFatal(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

}  // namespace

namespace detail {

void dcheckFailed(const char* file, int line, const char* condition, const char* message) {
  char text[1024];
  std::snprintf(text, sizeof text, "%s:%d: check failed: %s%s%s\n", file, line, condition,
                message ? ": " : "", message ? message : "");
  writeFatal(text);
  std::abort();
}

}  // namespace detail

void adoptMainThread() {
  gMainThread.store(std::this_thread::get_id());
  gMainAdopted.store(true);
}

bool isMainThread() {
  if (gMainAdopted.load()) return gMainThread.load() == std::this_thread::get_id();
  // Asked once per thread: the checks sit on paths that run often.
  thread_local const bool initial = static_cast<pid_t>(::syscall(SYS_gettid)) == ::getpid();
  return initial;
}

UncaughtExceptionPolicy setUncaughtExceptionPolicy(UncaughtExceptionPolicy policy) {
  return gPolicy.exchange(policy);
}

UncaughtExceptionPolicy uncaughtExceptionPolicy() { return gPolicy.load(); }

void reportUncaughtException(const char* kind, const char* where, const std::exception* error) {
  const char* what = error ? error->what() : "a non-standard exception";
  if (gPolicy.load() == UncaughtExceptionPolicy::Abort) {
    char text[1024];
    std::snprintf(text, sizeof text, "%s \"%s\" threw: %s\n", kind, where, what);
    writeFatal(text);
    std::abort();
  }
  logErrorf("%s \"%s\" threw: %s", kind, where, what);
}

}  // namespace vl
