#include "core/files/ReadableSize.h"

#include <cmath>
#include <cstdio>

namespace vl {

ReadableSize::ReadableSize(long long bytes) {
  int level = 0;
  size_ = getSize(static_cast<double>(bytes), level);
  unit_ = getUnitStringOfLevel(level);
}

std::string ReadableSize::getSize(double value, int& level) {
  // A loop rather than recursion; the sequence of levels is the same.
  while (value / 1024.0 > 1.0) {
    value /= 1024.0;
    ++level;
  }
  char text[64];
  std::snprintf(text, sizeof text, value == std::floor(value) ? "%.0f" : "%.1f", value);
  return text;
}

std::string ReadableSize::getUnitStringOfLevel(int level) {
  static const char* const kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB"};
  if (level < 0 || level >= static_cast<int>(std::size(kUnits))) return "";
  return kUnits[level];
}

}  // namespace vl
