#pragma once

#include <pthread.h>
#include <signal.h>

#include <functional>

namespace vl {

// What a stop request (SIGINT, SIGTERM) does. The signals are blocked in every thread and taken by one
// thread of their own with sigwait, so the request runs as ordinary code instead of inside a signal
// handler. The first one asks the main thread to quit the ordinary way. A main thread that has not taken
// that up within `graceMs` is busy (a huge text being laid out, a stuck call): the records on their way to
// disk are then written from the signal's thread, what quitting saves is saved, and the process ends
// without the main thread. A second signal does the same at once.
class StopSignals {
 public:
  // Exit status of a stop while the main thread was busy: 0 once everything was saved, else this.
  static constexpr int kUnsaved = 4;

  struct Options {
    double graceMs = 3000;
    // How long a stop while busy waits for record writes.
    double saveMs = 10000;
    // Posted to the main queue: the ordinary quit.
    std::function<void()> quit;
    // Ends the process; it does not return in the program (tests record the status).
    std::function<void(int status)> exit;
  };

  // Starts the watching thread; `signals` need not be blocked in the caller, the thread blocks them for
  // itself from its first instruction. Its id is returned so a signal can be sent to that thread alone.
  static pthread_t watch(const sigset_t& signals, Options options);
};

}  // namespace vl
