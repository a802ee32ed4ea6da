#pragma once

#include <memory>
#include <optional>
#include <vector>

namespace vl {

class CopyEntity;

// The record window's paste queue, newest copy at index 0, and which entry the next paste takes. What
// the window itself puts on the pasteboard never comes back from capture (the paste service marks it
// as the program's own), so every copy announced is the user's. Main thread only.
class RecordQueue {
 public:
  using Entry = std::shared_ptr<CopyEntity>;

  // A copy seen by capture joins at the top and is selected.
  void append(const Entry& entity);
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

 private:
  std::vector<Entry> entries_;
  std::optional<long> selected_;
};

}  // namespace vl
