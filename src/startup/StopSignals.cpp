#include "startup/StopSignals.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <memory>
#include <thread>
#include <utility>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "startup/AppDelegate.h"

namespace vl {

namespace {

// Waits for one of `signals` for at most `ms`; the signal, or 0 when the time ran out.
int waitForSignal(const sigset_t& signals, double ms) {
  timespec left{};
  left.tv_sec = static_cast<time_t>(ms / 1000);
  left.tv_nsec = static_cast<long>(std::fmod(ms, 1000.0) * 1e6);
  for (;;) {
    const int received = ::sigtimedwait(&signals, nullptr, &left);
    if (received > 0) return received;
    if (errno == EAGAIN) return 0;
    // EINTR: another signal's handler ran; the full grace again is harmless next to a stuck main thread.
  }
}

void stopWhileBusy(const StopSignals::Options& options, const char* why) {
  logWarningf("vellisto: %s; saving the records from the signal's thread and stopping", why);
  const bool saved = AppDelegate::saveWhileMainThreadIsBusy(options.saveMs);
  vl::logWarning(saved ? "vellisto: stopped while busy, everything saved"
                       : "vellisto: stopped while busy, writes unfinished");
  options.exit(saved ? 0 : StopSignals::kUnsaved);
}

}  // namespace

pthread_t StopSignals::watch(const sigset_t& signals, Options options) {
  // The thread inherits the mask in force when it is made: blocked from its start, a signal sent to it
  // alone can never take the default action.
  sigset_t previous;
  ::pthread_sigmask(SIG_BLOCK, &signals, &previous);
  std::thread watcher([signals, options = std::move(options)] {
    int received = 0;
    while (::sigwait(&signals, &received) != 0) {
    }
    logf("vellisto: received signal %d, stopping", received);
    auto taken = std::make_shared<std::atomic<bool>>(false);
    dispatch::Queue::main()->async([taken, quit = options.quit] {
      taken->store(true);
      if (quit) quit();
    });
    const int again = waitForSignal(signals, options.graceMs);
    if (again != 0) {
      logWarningf("vellisto: received signal %d again", again);
      stopWhileBusy(options, "stopped again");
      return;
    }
    if (!taken->load()) {
      stopWhileBusy(options, "the main thread is busy");
      return;
    }
    // The main thread is quitting; one more signal means it got stuck on the way.
    while (::sigwait(&signals, &received) != 0) {
    }
    logWarningf("vellisto: received signal %d again", received);
    stopWhileBusy(options, "stopped again");
  });
  const pthread_t id = watcher.native_handle();
  watcher.detach();
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return id;
}

}  // namespace vl
