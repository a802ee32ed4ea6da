#include <gtest/gtest.h>

#include "platform/ui/text/AttributedString.h"

namespace vl::ui {
namespace {

TextAttributes colour(const Color& c) {
  TextAttributes a;
  a.foregroundColor = c;
  return a;
}

TextAttributes background(const std::string& key) {
  TextAttributes a;
  a.backgroundColorAssetKey = key;
  return a;
}

std::vector<Range> ranges(const AttributedString& s) {
  std::vector<Range> out;
  for (const auto& r : s.runs()) out.push_back(r.range);
  return out;
}

TEST(AttributedStringTest, RunsSplitMergeAndJoin) {
  AttributedString s("hello world");
  s.addAttributes(colour(Color::black()), {0, 5});
  s.addAttributes(background("fontMatchedColor"), {3, 4});
  EXPECT_EQ(ranges(s), (std::vector<Range>{{0, 3}, {3, 2}, {5, 2}, {7, 4}}));
  TextAttributes at4 = s.attributesAt(4);
  EXPECT_EQ(at4.foregroundColor, Color::black());
  EXPECT_EQ(at4.backgroundColorAssetKey, "fontMatchedColor");
  // Removing what made runs differ joins them again.
  s.removeAttribute(TextAttribute::BackgroundColorAssetKey, {0, 11});
  s.removeAttribute(TextAttribute::ForegroundColor, {0, 11});
  EXPECT_EQ(ranges(s), (std::vector<Range>{{0, 11}}));
  Range effective;
  EXPECT_TRUE(s.attributesAt(20, &effective).empty());
  EXPECT_FALSE(effective.found());
}

TEST(AttributedStringTest, RangesAreClampedAndWidenedToWholeCharacters) {
  AttributedString s(
      "a\xF0\x9F\x98\x80"
      "b");  // a, emoji (two units), b
  EXPECT_EQ(s.length(), 4u);
  s.addAttributes(background("x"), {2, 1});  // the second half of the pair
  EXPECT_EQ(s.firstRangeWhere([](const TextAttributes& a) { return a.hasBackground(); }), (Range{1, 2}));
  s.addAttributes(colour(Color::whiteColor()), {3, 100});
  EXPECT_EQ(s.runs().back().range, (Range{3, 1}));
  s.setAttributes({}, {Range::NotFound, 5});  // a range that was never found changes nothing
  EXPECT_EQ(s.runs().size(), 3u);
  EXPECT_EQ(s.attributedSubstring({1, 2}).string(), "\xF0\x9F\x98\x80");
}

TEST(AttributedStringTest, ReplacingTakesTheAttributesBefore) {
  AttributedString s("abcd", colour(Color::black()));
  s.addAttributes(background("m"), {2, 2});
  s.replaceCharacters({2, 0}, "XY");  // after "ab": black, no background
  EXPECT_EQ(s.string(), "abXYcd");
  EXPECT_FALSE(s.attributesAt(2).hasBackground());
  EXPECT_TRUE(s.attributesAt(4).hasBackground());
  s.replaceCharacters({0, 2}, "");
  EXPECT_EQ(s.string(), "XYcd");
  EXPECT_EQ(ranges(s), (std::vector<Range>{{0, 2}, {2, 2}}));
  s.deleteCharacters({0, 99});
  EXPECT_TRUE(s.runs().empty());
  // Appended strings keep their own attributes.
  s.append("search for ", colour(Color::black()));
  s.append(AttributedString("'ab'", background("fontMatchedColor")));
  EXPECT_EQ(ranges(s), (std::vector<Range>{{0, 11}, {11, 4}}));
  EXPECT_EQ(s.runsInRange({9, 4}).size(), 2u);
  EXPECT_EQ(AttributedString("\xFF").string(), "\xEF\xBF\xBD");  // invalid bytes become U+FFFD
}

}  // namespace
}  // namespace vl::ui
