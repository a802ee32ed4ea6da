#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"

namespace {

// SIGINT and SIGTERM are blocked in every thread and taken by one thread with sigwait, so the stop
// request runs as ordinary code instead of inside a signal handler.
void watchForQuitSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  std::thread([signals] {
    int received = 0;
    while (sigwait(&signals, &received) != 0) {
    }
    vl::logf("vellisto: received signal %d, stopping", received);
    vl::dispatch::MainLoop::stop();
  }).detach();
}

}  // namespace

int main() {
  // Blocked before any other thread exists, so every thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  vl::dispatch::MainLoop::adoptCurrentThread();
  vl::VLConfig::shared();
  watchForQuitSignals();

  vl::logf("vellisto: started (pid %d)", static_cast<int>(::getpid()));
  vl::dispatch::MainLoop::run();
  vl::log("vellisto: stopped");
  return 0;
}
