#include <gtest/gtest.h>

#include "core/TextHelper.h"

namespace vl {
namespace {

const TextFont kTen{"system", 10, false};

double lineHeight() { return TextHelper::heightOfString("x", kTen); }

TEST(TextHelperTest, LineEndsAndWrappingAddWholeLines) {
  const double line = lineHeight();
  ASSERT_GT(line, 0);
  struct Case {
    const char* text;
    long width;
    int lines;
  };
  // Line breaking itself is the toolkit's; these check that each overload hands on the width it means.
  const Case cases[] = {
      {"ab\r\ncd\rx", 0, 3}, {"aa\n\nbb", 1000, 3}, {"aaaa bbbb cccc", 30, 3},  // breaks at the spaces
  };
  for (const auto& c : cases) {
    const double height = c.width > 0
                              ? TextHelper::heightOfString(std::optional<std::string>(c.text), kTen, c.width)
                              : TextHelper::heightOfString(c.text, kTen);
    EXPECT_DOUBLE_EQ(height, c.lines * line) << c.text << " @" << c.width;
  }
  EXPECT_EQ(TextHelper::heightOfString(std::nullopt, kTen, 100), 0);
}

}  // namespace
}  // namespace vl
