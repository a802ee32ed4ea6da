#include "platform/system/headless/HeadlessPasteboard.h"

#include <utility>

namespace vl {

long long HeadlessPasteboard::changeCount() const {
  std::lock_guard lock(mutex_);
  return changeCount_;
}

std::vector<PasteboardItem> HeadlessPasteboard::items() const {
  std::lock_guard lock(mutex_);
  return items_;
}

long long HeadlessPasteboard::clearContents() {
  std::lock_guard lock(mutex_);
  items_.clear();
  ++ownClears_;
  return ++changeCount_;
}

bool HeadlessPasteboard::writeObjects(const std::vector<PasteboardItem>& items) {
  bool wrote = false;
  long long count = 0;
  {
    std::lock_guard lock(mutex_);
    for (const auto& item : items) {
      if (item.empty()) continue;
      items_.push_back(item);
      wrote = true;
    }
    count = changeCount_;
  }
  announce(count);
  return wrote;
}

long long HeadlessPasteboard::setContentsFromOtherApplication(std::vector<PasteboardItem> items) {
  long long count = 0;
  {
    std::lock_guard lock(mutex_);
    items_.clear();
    for (auto& item : items) {
      if (!item.empty()) items_.push_back(std::move(item));
    }
    count = ++changeCount_;
  }
  announce(count);
  return count;
}

void HeadlessPasteboard::setAnnouncesChanges(bool announces) {
  std::lock_guard lock(mutex_);
  announces_ = announces;
}

bool HeadlessPasteboard::observeChanges(ChangeObserver observer) {
  std::lock_guard lock(mutex_);
  if (!announces_) return false;
  observer_ = std::move(observer);
  return true;
}

void HeadlessPasteboard::announce(long long changeCount) {
  ChangeObserver observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) observer(changeCount);
}

long long HeadlessPasteboard::setStringFromOtherApplication(const std::string& text,
                                                            const std::string& type) {
  return setContentsFromOtherApplication({PasteboardItem(type, text)});
}

int HeadlessPasteboard::ownClearCount() const {
  std::lock_guard lock(mutex_);
  return ownClears_;
}

}  // namespace vl
