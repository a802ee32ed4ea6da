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
  std::lock_guard lock(mutex_);
  bool wrote = false;
  for (const auto& item : items) {
    if (item.empty()) continue;
    items_.push_back(item);
    wrote = true;
  }
  return wrote;
}

long long HeadlessPasteboard::setContentsFromOtherApplication(std::vector<PasteboardItem> items) {
  std::lock_guard lock(mutex_);
  items_.clear();
  for (auto& item : items) {
    if (!item.empty()) items_.push_back(std::move(item));
  }
  return ++changeCount_;
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
