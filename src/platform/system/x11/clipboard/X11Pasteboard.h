#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/system/Pasteboard.h"
#include "platform/system/x11/X11EventLoop.h"
#include "platform/system/x11/clipboard/X11SelectionReader.h"

namespace vl {

// The general pasteboard on X11: the CLIPBOARD selection.
//
// An event thread with its own connection watches the selection's owner (XFixes) and raises the change
// count whenever another client takes it, telling the change observer at once, and serves other clients
// while this program owns it: TARGETS and every target of the items written, large answers in parts
// (INCR). It sleeps while nothing happens: no timer runs unless a large answer is under way. Reading
// another owner goes through a second connection (X11SelectionReader) and is remembered per change
// count, so the many reads of one copy ask the owner once. While this program owns the selection, reads
// answer from memory.
class X11Pasteboard final : public Pasteboard {
 public:
  struct Options {
    x11::X11SelectionReader::Limits limits;
    // Answers larger than this go out in parts of this size.
    std::size_t incrChunkBytes = 256u << 10;
    // A client that stops taking parts for this long is given up.
    int incrStallTimeoutMs = 10000;
    // Longest wait for the event thread when claiming the selection.
    int claimTimeoutMs = 2000;
  };

  // nullptr (logged) when the display cannot be opened or lacks the XFixes extension.
  static std::shared_ptr<X11Pasteboard> create(const std::string& displayName, Options options);
  static std::shared_ptr<X11Pasteboard> create(const std::string& displayName) {
    return create(displayName, Options());
  }
  ~X11Pasteboard() override;

  long long changeCount() const override;
  std::vector<PasteboardItem> items() const override;
  long long clearContents() override;
  [[nodiscard]] bool writeObjects(const std::vector<PasteboardItem>& items) override;
  bool observeChanges(ChangeObserver observer) override;

  // Whether this program owns CLIPBOARD right now.
  bool ownsClipboard() const;

 private:
  struct Transfer {
    ::Window requestor = None;
    Atom property = None;
    Atom type = None;
    std::shared_ptr<const std::string> data;
    std::size_t offset = 0;
    std::chrono::steady_clock::time_point lastActivity;
  };

  X11Pasteboard(std::unique_ptr<x11::X11Display> events, std::unique_ptr<x11::X11SelectionReader> reader,
                int xfixesEventBase, Options options);
  void start();
  // Event thread only.
  void onEvent(XEvent& event);
  void onTick();
  // Drops the ownership flag unless the server still names our window the owner.
  void lostSelectionUnlessOwner();
  bool claim();
  void announce(long long changeCount);
  void serve(const XSelectionRequestEvent& request);
  bool answer(const XSelectionRequestEvent& request, Atom property);
  void sendNextPart(Transfer& transfer);

  x11::X11EventLoop loop_;
  std::unique_ptr<x11::X11SelectionReader> reader_;
  int xfixesEventBase_;
  Options options_;
  ::Window ownerWindow_ = None;
  std::atomic<long long> changeCount_{0};

  // Taken around a read of another owner, so concurrent readers of one copy ask the owner once.
  mutable Mutex readMutex_ VL_ACQUIRED_BEFORE(mutex_);
  mutable Mutex mutex_;
  bool own_ VL_GUARDED_BY(mutex_) = false;
  std::vector<PasteboardItem> items_ VL_GUARDED_BY(mutex_);
  mutable long long cachedCount_ VL_GUARDED_BY(mutex_) = -1;
  mutable std::vector<PasteboardItem> cached_ VL_GUARDED_BY(mutex_);
  Mutex observerMutex_;  // a leaf lock
  ChangeObserver observer_ VL_GUARDED_BY(observerMutex_);

  std::vector<Transfer> transfers_;  // event thread only
  // Claims of ours whose owner notice has not come back yet (event thread only): a notice naming our
  // window that none of them explains is another client's doing, and what we hold is not the contents.
  int claimsUnheard_ = 0;
  long long foreignClaims_ = 0;  // event thread only
};

}  // namespace vl
