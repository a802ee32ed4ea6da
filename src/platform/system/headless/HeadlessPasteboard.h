#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/system/Pasteboard.h"

namespace vl {

// The pasteboard without a display server: contents live in memory. Tests play the other applications
// of the desktop through the *FromOtherApplication calls.
class HeadlessPasteboard final : public Pasteboard {
 public:
  long long changeCount() const override;
  std::vector<PasteboardItem> items() const override;
  long long clearContents() override;
  [[nodiscard]] bool writeObjects(const std::vector<PasteboardItem>& items) override;

  // Another application replaced the contents: one change, whatever the number of items.
  long long setContentsFromOtherApplication(std::vector<PasteboardItem> items);
  long long setStringFromOtherApplication(const std::string& text,
                                          const std::string& type = kPasteboardTypeString);

  // How many times this program itself cleared the pasteboard (to tell its own writes apart in tests).
  int ownClearCount() const;

  // Off by default, as without a display server: nothing tells of changes and capture polls. Tests of
  // the event-driven road turn it on; observers then hear each change on the thread that made it.
  void setAnnouncesChanges(bool announces);
  bool observeChanges(ChangeObserver observer) override;

 private:
  void announce(long long changeCount);

  mutable std::mutex mutex_;
  bool announces_ = false;
  ChangeObserver observer_;
  long long changeCount_ = 0;
  int ownClears_ = 0;
  std::vector<PasteboardItem> items_;
};

}  // namespace vl
