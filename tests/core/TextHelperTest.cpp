#include <gtest/gtest.h>

#include "core/TextHelper.h"
#include "platform/ui/Font.h"
#include "platform/ui/TextMetrics.h"

namespace vl {
namespace {

const TextFont kTen{"system", 10, false};
const ui::Font kUiTen = ui::Font::systemFont(10);

double lineHeight() { return TextHelper::heightOfString("x", kTen); }

// Labels sized here must match the text fields that draw them, so both read one set of metrics.
TEST(TextHelperTest, MeasuresWithTheToolkitsMetrics) {
  for (const char* text : {"", "abc", "\xe4\xb8\xad\xe6\x96\x87", "\xf0\x9f\x98\x80", "ab\ncdef", "a\tb"}) {
    EXPECT_DOUBLE_EQ(TextHelper::widthOfString(text, kTen), ui::TextMetrics::widthOfString(text, kUiTen))
        << text;
  }
  EXPECT_GT(TextHelper::widthOfString("abc", {"system", 10, true}), 0);
}

TEST(TextHelperTest, LineEndsAndWrappingAddWholeLines) {
  const double line = lineHeight();
  ASSERT_GT(line, 0);
  struct Case {
    const char* text;
    long width;
    int lines;
  };
  const Case cases[] = {
      {"", 0, 1},
      {"ab\ncdef", 0, 2},
      {"ab\r\ncd\rx", 0, 3},
      {"aa\n\nbb", 1000, 3},
      {"aaaa bbbb", 1000, 1},
      {"aaaa bbbb cccc", 30, 3},  // breaks at the spaces
  };
  for (const auto& c : cases) {
    const double height = c.width > 0
                              ? TextHelper::heightOfString(std::optional<std::string>(c.text), kTen, c.width)
                              : TextHelper::heightOfString(c.text, kTen);
    EXPECT_DOUBLE_EQ(height, c.lines * line) << c.text << " @" << c.width;
  }
  EXPECT_EQ(TextHelper::heightOfString(std::nullopt, kTen, 100), 0);
}

TEST(TextHelperTest, InstalledMeasurerIsUsedUntilRemoved) {
  const double builtIn = TextHelper::widthOfString("four", kTen);
  TextHelper::setMeasurer([](std::string_view text, const TextFont&, double maxWidth) {
    return TextSize{static_cast<double>(text.size()), maxWidth > 0 ? 99.0 : 1.0};
  });
  EXPECT_EQ(TextHelper::widthOfString("four", kTen), 4);
  EXPECT_EQ(TextHelper::heightOfString(std::optional<std::string>("x"), kTen, 10), 99);
  TextHelper::setMeasurer(nullptr);
  EXPECT_DOUBLE_EQ(TextHelper::widthOfString("four", kTen), builtIn);
}

}  // namespace
}  // namespace vl
