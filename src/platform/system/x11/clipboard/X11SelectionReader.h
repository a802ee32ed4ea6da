#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/system/Pasteboard.h"
#include "platform/system/x11/X11Display.h"

namespace vl::x11 {

// Reads the CLIPBOARD selection from whichever client owns it, on a connection of its own. The owner is
// another program and may be slow, broken or hostile, so every wait has a time limit and every answer
// a size cap; whatever goes wrong is logged and the read returns what it has.
class X11SelectionReader {
 public:
  struct Limits {
    // Longest wait for any one answer (or the next part of a large one).
    int answerTimeoutMs = 1000;
    // Longest time one target may take in all, however steadily the owner trickles data.
    int transferTimeoutMs = 5000;
    // Largest answer kept; a larger one is dropped.
    std::size_t maxBytes = 64u << 20;
  };

  X11SelectionReader(std::unique_ptr<X11Display> display, Limits limits);
  ~X11SelectionReader();

  // The owner's contents as pasteboard items; empty when there is no owner or it does not answer.
  // Reads are serialised.
  std::vector<PasteboardItem> read();
  // The window that owns CLIPBOARD right now (None when nobody does).
  ::Window owner();

 private:
  enum class Outcome { Ok, Refused, TimedOut, TooLarge };
  using TimePoint = std::chrono::steady_clock::time_point;

  // Each uses the connection, under mutex_.
  Outcome convert(::Window window, Atom target, std::string* type, std::string* data) VL_REQUIRES(mutex_);
  Outcome readIncremental(::Window window, Atom property, TimePoint deadline, std::string* data)
      VL_REQUIRES(mutex_);
  // Reads and deletes the property; format-32 items come back as 4-byte values.
  bool takeProperty(::Window window, Atom property, Atom* type, std::string* data, std::size_t* size)
      VL_REQUIRES(mutex_);
  bool waitForEvent(::Window window, int eventType, Atom property, TimePoint deadline, XEvent* event)
      VL_REQUIRES(mutex_);
  std::vector<std::string> offeredTargets(::Window window, bool* answered) VL_REQUIRES(mutex_);

  // Used under mutex_, one read at a time.
  std::unique_ptr<X11Display> display_;
  Limits limits_;
  Mutex mutex_;
};

}  // namespace vl::x11
