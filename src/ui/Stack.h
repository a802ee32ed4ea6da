#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace vl {

// Last in, first out; the last element pushed is the top.
template <typename T>
class Stack {
 public:
  void push(T value) { array_.push_back(std::move(value)); }
  // The top, removed; nothing when empty.
  std::optional<T> pop() {
    if (array_.empty()) return std::nullopt;
    std::optional<T> top = std::move(array_.back());
    array_.pop_back();
    return top;
  }
  // The top, kept; nothing when empty.
  std::optional<T> peek() const {
    if (array_.empty()) return std::nullopt;
    return array_.back();
  }
  std::size_t size() const { return array_.size(); }
  const std::vector<T>& array() const { return array_; }

 private:
  std::vector<T> array_;
};

}  // namespace vl
