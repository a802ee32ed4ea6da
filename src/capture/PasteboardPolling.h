#pragma once

#include <atomic>
#include <memory>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/Pasteboard.h"

namespace vl {

// Watches the general pasteboard's change count every 100 ms and announces each change with
// "kPasteboardDidChange" from the capture queue. Reading a number is all the timer does, so an unchanged
// pasteboard costs next to nothing; the contents are read by whoever observes the notification.
class PasteboardPolling {
 public:
  static constexpr const char* kPasteboardDidChange = "kPasteboardDidChange";
  static constexpr const char* kDealingQueueLabel = "app.vellisto.pasteboard-dealing";
  static constexpr double kIntervalMs = 100;

  static PasteboardPolling& shared();
  // The serial queue every copy is handled on, one at a time, in order.
  static std::shared_ptr<dispatch::Queue> pasteboardDealingQueue();

  // Takes the change count as seen before the timer starts, so what is on the pasteboard now is never
  // captured. `board` null means the general pasteboard, fetched on first use.
  explicit PasteboardPolling(std::shared_ptr<Pasteboard> board = nullptr);
  ~PasteboardPolling();
  PasteboardPolling(const PasteboardPolling&) = delete;
  PasteboardPolling& operator=(const PasteboardPolling&) = delete;

  void startPolling();
  // True when the pasteboard changed since the count last taken as seen.
  bool newPaste();
  // Takes the current count as seen. The paste road calls it right after writing the pasteboard, so
  // the program's own write is not captured.
  void commit();

  long long changeCount() const;
  std::shared_ptr<Pasteboard> generalBoard();

 private:
  // What the timer handler touches; shared with it so a late fire never reaches a destroyed poll.
  struct State {
    std::shared_ptr<Pasteboard> board;
    std::atomic<long long> changeCount{0};
    std::shared_ptr<Pasteboard> generalBoard();
    bool newPaste();
    void commit();
    void fire();
  };

  std::shared_ptr<State> state_;
  std::shared_ptr<dispatch::TimerSource> gcdTimer_;
};

}  // namespace vl
