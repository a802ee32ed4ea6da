#pragma once

#include <cstddef>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

namespace vl::ui {

// A sorted set of non-negative row indexes.
class IndexSet {
 public:
  IndexSet() = default;
  IndexSet(std::initializer_list<long> indexes);
  explicit IndexSet(const std::vector<long>& indexes);
  // [location, location + length).
  static IndexSet range(long location, long length);

  bool contains(long index) const { return set_.count(index) > 0; }
  std::size_t count() const { return set_.size(); }
  bool empty() const { return set_.empty(); }
  // -1 when empty.
  long lastIndex() const { return set_.empty() ? -1 : *set_.rbegin(); }
  // Negative indexes are not rows; they are ignored.
  void add(long index);
  void remove(long index);
  void clear() { set_.clear(); }

  auto begin() const { return set_.begin(); }
  auto end() const { return set_.end(); }
  auto rbegin() const { return set_.rbegin(); }
  auto rend() const { return set_.rend(); }

  // "[1, 2, 5]".
  std::string description() const;
  bool operator==(const IndexSet&) const = default;

 private:
  std::set<long> set_;
};

}  // namespace vl::ui
