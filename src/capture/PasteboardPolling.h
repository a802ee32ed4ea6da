#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/Pasteboard.h"

namespace vl {

// Announces each change of the general pasteboard with "kPasteboardDidChange" from the capture queue.
//
// Where the pasteboard tells of its changes (X11, through XFixes), each one is read at once on the
// reading queue, while its owner still holds it, and the notification carries what was read
// ("pasteboard_change"): copies made in quick succession are each kept, and nothing runs while nobody
// copies. Elsewhere a timer compares the change count every 100 ms and the observer reads the
// pasteboard itself; an unchanged pasteboard then costs one number read per tick.
class PasteboardPolling {
 public:
  static constexpr const char* kPasteboardDidChange = "kPasteboardDidChange";
  static constexpr const char* kDealingQueueLabel = "app.vellisto.pasteboard-dealing";
  static constexpr const char* kReadingQueueLabel = "app.vellisto.pasteboard-reading";
  static constexpr const char* kChangeKey = "pasteboard_change";
  static constexpr double kIntervalMs = 100;

  // One change as the reading queue read it.
  struct Change {
    long long changeCount = 0;
    // The read gate kept it unread (a copy in an application on the security list).
    bool blocked = false;
    // Another change replaced it before it could be read; it is announced all the same, so whoever
    // waits for the program's own write still counts it.
    bool replaced = false;
    std::vector<PasteboardItem> items;
  };

  static PasteboardPolling& shared();
  // The serial queue every copy is handled on, one at a time, in order.
  static std::shared_ptr<dispatch::Queue> pasteboardDealingQueue();
  // Where announced changes are read, one at a time, in order, ahead of their handling.
  static std::shared_ptr<dispatch::Queue> pasteboardReadingQueue();
  // Asked on the reading queue before a change is read; true leaves it unread. The capture listener
  // installs it; without one nobody would handle a change, and none is read.
  static void setReadGate(std::function<bool()> gate);

  // Takes the change count as seen before watching starts, so what is on the pasteboard now is never
  // captured. `board` null means the general pasteboard, fetched on first use.
  explicit PasteboardPolling(std::shared_ptr<Pasteboard> board = nullptr);
  ~PasteboardPolling();
  PasteboardPolling(const PasteboardPolling&) = delete;
  PasteboardPolling& operator=(const PasteboardPolling&) = delete;

  // Hears the pasteboard's changes, or polls where it cannot tell of them.
  void startPolling();
  // True when the pasteboard changed since the count last taken as seen.
  bool newPaste();
  // Takes the current count as seen. The paste road calls it right after writing the pasteboard, so
  // the program's own write is not captured.
  void commit();
  // Whether changes arrive as they happen (no timer runs).
  bool isEventDriven() const;

  long long changeCount() const;
  std::shared_ptr<Pasteboard> generalBoard();

 private:
  // What the timer and the change observer touch; shared with them so a late call never reaches a
  // destroyed poll.
  struct State : std::enable_shared_from_this<State> {
    std::shared_ptr<Pasteboard> board;
    std::atomic<long long> changeCount{0};
    std::atomic<bool> eventDriven{false};
    std::shared_ptr<Pasteboard> generalBoard();
    bool newPaste();
    void commit();
    void fire();
    void read(long long changeCount);
  };

  std::shared_ptr<State> state_;
  std::shared_ptr<dispatch::TimerSource> gcdTimer_;
};

}  // namespace vl
