#pragma once

#include <string>

namespace vl {

// A byte count as people read it: a number text and a unit word ("1.5" "KB").
class ReadableSize {
 public:
  ReadableSize() : ReadableSize(0) {}
  // initWithBytes:
  explicit ReadableSize(long long bytes);

  const std::string& size() const { return size_; }
  const std::string& unit() const { return unit_; }

  // Divides by 1024 while the value is more than 1024 of the current level, raising `level` each time,
  // and answers the number text: whole values without decimals, others with one.
  static std::string getSize(double value, int& level);
  // "bytes", "KB", "MB", "GB", "TB", "PB"; "" for any other level.
  static std::string getUnitStringOfLevel(int level);

 private:
  std::string size_;
  std::string unit_;
};

}  // namespace vl
