#include "Windows/Record/RecordQueue.h"

#include <algorithm>

#include "capture/CopyEntity.h"
#include "platform/foundation/Log.h"

namespace vl {

void RecordQueue::append(const Entry& entity) {
  if (!entity) return;
  entries_.insert(entries_.begin(), entity);
  selected_ = 0;
}

long RecordQueue::deleteAtRow(long row) {
  if (row < 0 || row >= size()) {
    logWarningf("record window: no row %ld to delete in a queue of %ld", row, size());
    return selected_.value_or(-1);
  }
  entries_.erase(entries_.begin() + row);
  if (entries_.empty()) {
    selected_.reset();
    return -1;
  }
  long next = row;
  if (selected_ && row < *selected_) {
    next = *selected_ - 1;
  } else if (selected_ && row > *selected_) {
    next = *selected_;
  } else if (row >= size()) {
    next = 0;
  }
  selected_ = next;
  return next;
}

void RecordQueue::reverse() { std::reverse(entries_.begin(), entries_.end()); }

void RecordQueue::clear() {
  entries_.clear();
  selected_.reset();
}

void RecordQueue::select(long row) {
  if (row < 0 || row >= size()) {
    logWarningf("record window: no row %ld to select in a queue of %ld", row, size());
    return;
  }
  selected_ = row;
}

RecordQueue::Entry RecordQueue::pasteSelected() {
  if (!selected_) return nullptr;
  const long row = deleteAtRow(*selected_);
  return row < 0 ? nullptr : entryAt(row);
}

RecordQueue::Entry RecordQueue::entryAt(long row) const {
  return row >= 0 && row < size() ? entries_[static_cast<std::size_t>(row)] : nullptr;
}

}  // namespace vl
