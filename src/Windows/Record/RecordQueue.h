#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace vl {

class CopyEntity;

// The record window's paste queue, newest copy at index 0, and which entry the next paste takes.
// The markers are the entries the window itself put on the pasteboard that capture has not brought
// back yet, oldest first: capture reads the pasteboard later than we write it, and quick pastes write
// again before it has, so one marker would let the older write come back as a new row. A copy equal
// to a marker is that write coming back and is absorbed, together with the older markers, which were
// overwritten before capture could read them. Main thread only.
class RecordQueue {
 public:
  using Entry = std::shared_ptr<CopyEntity>;

  // A copy seen by capture. False when it was our own write coming back (the marker is used up);
  // otherwise it joins at the top and is selected.
  [[nodiscard]] bool append(const Entry& entity);
  // Removes the row and answers the row selected afterwards: the same entry when a row above or below
  // the selection went, the next one (or the top, when the last row went) when the selected one did;
  // -1 when the queue is now empty. A row outside the queue changes nothing (logged).
  long deleteAtRow(long row);
  // The order turns around; the selection keeps its index, not its entry.
  void reverse();
  void clear();
  // Out-of-range rows are logged and ignored.
  void select(long row);

  // A paste in another application took the selected entry: it leaves the queue, and the entry now
  // selected is answered (nullptr when nothing is left or nothing was selected).
  Entry pasteSelected();

  long size() const { return static_cast<long>(entries_.size()); }
  bool hasData() const { return !entries_.empty(); }
  Entry entryAt(long row) const;
  const std::vector<Entry>& entries() const { return entries_; }
  std::optional<long> selected() const { return selected_; }
  Entry selectedEntry() const { return selected_ ? entryAt(*selected_) : nullptr; }
  // At most this many writes are remembered; a capture that far behind is a stuck one.
  static constexpr std::size_t kMaxMarkers = 8;
  // The latest write; nullptr when every write came back.
  Entry marker() const { return markers_.empty() ? nullptr : markers_.back(); }
  void setMarker(Entry entry);

 private:
  std::vector<Entry> entries_;
  std::optional<long> selected_;
  std::deque<Entry> markers_;
};

}  // namespace vl
