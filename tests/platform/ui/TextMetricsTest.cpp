#include <gtest/gtest.h>

#include <string>

#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/text/TextView.h"

namespace vl::ui {
namespace {

const Font k10 = Font::systemFont(10);

TEST(FontTest, MonospacedDigitsAndBadSizes) {
  Font mono = Font::monospacedDigitSystemFont(10);
  // Digits line up in the monospaced font; a proportional "1" is narrow.
  EXPECT_DOUBLE_EQ(TextMetrics::widthOfString("111", mono), TextMetrics::widthOfString("888", mono));
  EXPECT_LT(TextMetrics::widthOfString("111", k10), TextMetrics::widthOfString("888", k10));
  // A size that is no size measures as the default.
  EXPECT_DOUBLE_EQ(Font::systemFont(-3).lineHeight(), Font::systemFont(Font::kDefaultPointSize).lineHeight());
}

TEST(TextMetricsTest, WidthsAreFixedNumbers) {
  struct Case {
    const char* text;
    Font font;
    double width;
  };
  const Case cases[] = {
      {"abc", k10, 16.5},                      // 3 x 0.55
      {"a b", k10, 14.0},                      // space 0.3
      {"Wi", k10, 11.5},                       // broad 0.85 + narrow 0.3
      {"\xE4\xB8\xAD\xE6\x96\x87", k10, 20},   // two wide characters
      {"ab", Font::boldSystemFont(10), 12.1},  // bold is 10 % wider
      {"a\tb", k10, 23},                       // tab 1.2
      {"e\xCC\x81", k10, 5.5},                 // a combining accent adds nothing
      {"", k10, 0},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(TextMetrics::widthOfString(c.text, c.font), c.width, 1e-9) << c.text;
    // Same answer every time.
    EXPECT_EQ(TextMetrics::widthOfString(c.text, c.font), TextMetrics::widthOfString(c.text, c.font));
  }
  EXPECT_DOUBLE_EQ(TextMetrics::widthOfString("ab\nabcd", k10), 22);  // the widest line
}

TEST(TextLayoutTest, BreaksAtSpacesThenBetweenCharactersAndAtLineEnds) {
  struct Case {
    std::string text;
    double width;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"aaaa aaaa", 25, {"aaaa ", "aaaa"}},
      {"aaaaaaaa", 12, {"aa", "aa", "aa", "aa"}},  // no space: between characters
      {"a\r\nb\rc", 0, {"a\r\n", "b\r", "c"}},
      {"ab  cd", 12, {"ab  ", "cd"}},  // trailing spaces hang on their line
      {"\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD", 25, {"\xE4\xB8\xAD\xE4\xB8\xAD", "\xE4\xB8\xAD"}},
      {"x", 1, {"x"}},  // a line holds at least one character
  };
  for (const auto& c : cases) {
    TextLayout layout(c.text, k10, c.width);
    std::vector<std::string> got;
    for (const auto& line : layout.lines()) got.push_back(substringWithRange(c.text, line.range));
    EXPECT_EQ(got, c.lines) << c.text;
    EXPECT_DOUBLE_EQ(TextMetrics::heightOfString(c.text, k10, c.width), 12.5 * c.lines.size()) << c.text;
  }
  EXPECT_DOUBLE_EQ(k10.lineHeight(), 12.5);
  EXPECT_DOUBLE_EQ(TextMetrics::heightOfString("", k10, 100), 12.5);
  EXPECT_DOUBLE_EQ(TextMetrics::heightOfString("a\nb\n", k10, 0), 37.5);  // a final line end adds a line
}

TEST(TextLayoutTest, LineForCharacterIndexAndCarets) {
  TextLayout layout("aaaa aaaa\nbb", k10, 25);
  ASSERT_EQ(layout.lineCount(), 3u);
  std::vector<std::size_t> lines;
  for (std::size_t i : {0, 4, 5, 9, 10, 999}) lines.push_back(layout.lineIndexForCharacterIndex(i));
  EXPECT_EQ(lines, (std::vector<std::size_t>{0, 0, 1, 1, 2, 2}));  // a line end belongs to its line
  EXPECT_DOUBLE_EQ(layout.offsetOfCharacterIndex(7), 11);
  EXPECT_EQ(layout.characterIndexForPoint({12, 14}), 7u);  // second line, just past two characters
  EXPECT_EQ(layout.characterIndexForPoint({500, 500}), 12u);
  // A wrapped line ends before its hanging space: index 5 would already show on the next line.
  EXPECT_EQ(layout.lineEnd(0), 4u);
  EXPECT_EQ(layout.lineEnd(5), 9u);
  EXPECT_EQ(layout.lineStart(8), 5u);
  EXPECT_DOUBLE_EQ(layout.lines()[1].y, 12.5);
}

TEST(TextLayoutTest, SurrogatePairsCountAsTwoUnitsAndInvalidBytesAsOne) {
  const std::string emoji = "a\xF0\x9F\x98\x80" + std::string("b");  // a, emoji, b
  TextLayout layout(emoji, k10, 0);
  EXPECT_EQ(layout.length(), 4u);
  EXPECT_DOUBLE_EQ(layout.offsetOfCharacterIndex(3), 15.5);
  TextLayout bad("a\xFF\xC3", k10, 0);
  EXPECT_EQ(bad.length(), 3u);
  EXPECT_EQ(bad.lineCount(), 1u);
}

TEST(TextLayoutTest, MaximumLinesAndAlignment) {
  TextLayout limited("aa aa aa aa", k10, 12, 2);
  ASSERT_EQ(limited.lineCount(), 2u);
  EXPECT_EQ(limited.lineIndexForCharacterIndex(10), 1u);  // cut-off text counts as the last line
  TextLayout centred("ab", k10, 31, 0, LineBreakMode::WordWrapping, TextAlignment::Center);
  EXPECT_DOUBLE_EQ(centred.lines()[0].x, 10);
  AttributedString rich("ab");
  TextAttributes right;
  right.alignment = TextAlignment::Right;
  rich.addAttributes(right, {0, 2});
  EXPECT_DOUBLE_EQ(TextLayout(rich, k10, 31).lines()[0].x, 20);
}

TEST(TextLayoutTest, AttributedRunsMeasureInTheirFonts) {
  AttributedString text("aa");
  TextAttributes big;
  big.font = Font::systemFont(20);
  text.addAttributes(big, {1, 1});
  TextLayout layout(text, k10, 0);
  EXPECT_DOUBLE_EQ(layout.usedSize().width, 5.5 + 11);
  EXPECT_DOUBLE_EQ(layout.usedSize().height, 25);
}

TEST(TextLayoutTest, ParagraphSpacingOpensAGapBelowItsParagraphOnly) {
  AttributedString text("a\nb\nc");
  TextAttributes spaced;
  spaced.paragraphSpacing = 6;
  text.addAttributes(spaced, {1, 1});  // the first line end
  TextLayout layout(text, k10, 0);
  ASSERT_EQ(layout.lineCount(), 3u);
  EXPECT_DOUBLE_EQ(layout.lines()[1].y, 12.5 + 6);
  EXPECT_DOUBLE_EQ(layout.lines()[2].y, 2 * 12.5 + 6);
  EXPECT_DOUBLE_EQ(layout.usedSize().height, 3 * 12.5 + 6);
  // The gap belongs to the line below it when pointed at.
  EXPECT_EQ(layout.characterIndexForPoint({0, 12.5 + 3}), 2u);
}

TEST(TextMetricsTest, TailTruncation) {
  EXPECT_EQ(TextMetrics::truncateTail("abc", k10, 16.5), "abc");
  // "…" is 5.5; four more points hold nothing but "a" (5.5) at 11.
  EXPECT_EQ(TextMetrics::truncateTail("abcdef", k10, 11), "a\xE2\x80\xA6");
  EXPECT_EQ(TextMetrics::truncateTail("ab cdef", k10, 20), "ab\xE2\x80\xA6");  // no space before "…"
  EXPECT_EQ(TextMetrics::truncateTail("abcdef", k10, 3), "");
  EXPECT_EQ(TextMetrics::truncateTail("\xF0\x9F\x98\x80\xF0\x9F\x98\x80", k10, 16),
            "\xF0\x9F\x98\x80\xE2\x80\xA6");
  EXPECT_EQ(TextMetrics::truncateTail("a\nb", k10, 100), "a\nb");
}

// The text view lays its text out through the same layout, in its container width.
TEST(TextLayoutTest, AgreesWithTheTextView) {
  const std::string text = "one two three four five six seven eight nine ten\n\neleven";
  auto view = TextView::create({0, 0, 110, 50});
  view->setFont(k10);
  view->setString(text);
  TextLayout direct(text, k10, 110 - 2 * view->lineFragmentPadding());
  ASSERT_EQ(view->layout().lineCount(), direct.lineCount());
  for (std::size_t i = 0; i <= utf16Length(text); ++i) {
    EXPECT_EQ(view->lineIndexForCharacterIndex(i), direct.lineIndexForCharacterIndex(i)) << i;
  }
  view->setTextContainerInset({10, 4});
  TextLayout narrower(text, k10, 110 - 20 - 2 * view->lineFragmentPadding());
  EXPECT_EQ(view->layout().lineCount(), narrower.lineCount());
  EXPECT_DOUBLE_EQ(view->frame().size.height, narrower.usedSize().height + 8);
}

}  // namespace
}  // namespace vl::ui
