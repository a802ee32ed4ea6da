#include <gtest/gtest.h>

#include "core/TextHelper.h"

namespace vl {
namespace {

// 10 pt: a narrow character is 5.5 wide, a line 12.5 high.
const TextFont kTen{"system", 10, false};

TEST(TextHelperTest, DeterministicWidthsAndHeights) {
  struct Case {
    const char* text;
    double width;
    double height;
  };
  const Case cases[] = {
      {"", 0, 12.5},
      {"abc", 16.5, 12.5},
      {"\xe4\xb8\xad\xe6\x96\x87", 20, 12.5},  // two wide characters
      {"\xf0\x9f\x98\x80", 10, 12.5},          // an emoji is one character, not two halves
      {"ab\ncdef", 22, 25},
      {"ab\r\ncd\rx", 11, 37.5},
      {"a\tb", 33, 12.5},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(TextHelper::widthOfString(c.text, kTen), c.width) << c.text;
    EXPECT_DOUBLE_EQ(TextHelper::heightOfString(c.text, kTen), c.height) << c.text;
  }
  EXPECT_DOUBLE_EQ(TextHelper::widthOfString("abc", {"system", 10, true}), 18);
}

TEST(TextHelperTest, FixedWidthWraps) {
  struct Case {
    const char* text;
    long width;
    double height;
  };
  const Case cases[] = {
      {"aaaa bbbb", 100, 12.5},     {"aaaa bbbb", 30, 25},  // breaks at the space
      {"aaaaaaaaaa", 30, 25},                               // no space: breaks inside the word
      {"aaaa bbbb cccc", 30, 37.5}, {"a", 1, 12.5},  // a character wider than the line still takes one line
      {"aa\n\nbb", 100, 37.5},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(TextHelper::heightOfString(std::optional<std::string>(c.text), kTen, c.width), c.height)
        << c.text << " @" << c.width;
  }
  EXPECT_EQ(TextHelper::heightOfString(std::nullopt, kTen, 100), 0);
}

TEST(TextHelperTest, InstalledMeasurerIsUsedUntilRemoved) {
  TextHelper::setMeasurer([](std::string_view text, const TextFont&, double maxWidth) {
    return TextSize{static_cast<double>(text.size()), maxWidth > 0 ? 99.0 : 1.0};
  });
  EXPECT_EQ(TextHelper::widthOfString("four", kTen), 4);
  EXPECT_EQ(TextHelper::heightOfString(std::optional<std::string>("x"), kTen, 10), 99);
  TextHelper::setMeasurer(nullptr);
  EXPECT_DOUBLE_EQ(TextHelper::widthOfString("four", kTen), 22);
}

}  // namespace
}  // namespace vl
