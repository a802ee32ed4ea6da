#include <gtest/gtest.h>

#include "core/files/ReadableSize.h"

namespace vl {
namespace {

TEST(ReadableSizeTest, BytesReadAsNumberAndUnit) {
  struct Case {
    long long bytes;
    const char* size;
    const char* unit;
  };
  const Case cases[] = {
      {0, "0", "bytes"},
      {1024, "1024", "bytes"},  // a level is left only above 1024 of it
      {1025, "1.0", "KB"},
      {1536, "1.5", "KB"},
      {1048576, "1024", "KB"},
      {1048577, "1.0", "MB"},
      {5LL * 1024 * 1024 * 1024, "5", "GB"},
      {1LL << 60, "1024", "PB"},
      {(1LL << 60) + (1LL << 52), "1.0", ""},  // past the last unit word
  };
  for (const auto& c : cases) {
    ReadableSize size(c.bytes);
    EXPECT_EQ(size.size(), c.size) << c.bytes;
    EXPECT_EQ(size.unit(), c.unit) << c.bytes;
  }
}

}  // namespace
}  // namespace vl
