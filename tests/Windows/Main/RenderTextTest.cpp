#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Windows/Main/list/RenderText.h"

namespace vl {
namespace {

struct Case {
  const char* name;
  std::string text;
  std::vector<Range> ranges;
  std::size_t max;
  std::vector<RenderText> runs;
};

RenderText N(std::string s) { return RenderText::ofString(std::move(s), false); }
RenderText M(std::string s) { return RenderText::ofString(std::move(s), true); }
RenderText P(std::string s) {
  RenderText r = M(std::move(s));
  r.partMatched = true;
  return r;
}
std::string rep(char c, std::size_t n) { return std::string(n, c); }

TEST(RenderTextTest, RunsOfNormalAndMatchedText) {
  const std::string digits = "0123456789";
  std::string sixty;
  for (int i = 0; i < 6; ++i) sixty += digits;
  const std::vector<Case> cases = {
      {"no match", "hello world", {}, 49, {N("hello world")}},
      {"middle", "hello world", {{6, 3}}, 49, {N("hello "), M("wor"), N("ld")}},
      {"start", "hello", {{0, 2}}, 49, {M("he"), N("llo")}},
      {"end", "hello", {{3, 2}}, 49, {N("hel"), M("lo")}},
      {"whole", "hello", {{0, 5}}, 49, {M("hello")}},
      {"several", "ab ab ab", {{0, 2}, {3, 2}}, 49, {M("ab"), N(" "), M("ab"), N(" ab")}},
      {"adjacent", "abcd", {{0, 2}, {2, 1}}, 49, {M("ab"), M("c"), N("d")}},
      {"overlapping merge", "aaaab", {{0, 3}, {1, 3}}, 49, {M("aaaa"), N("b")}},
      {"unordered", "ab ab", {{3, 2}, {0, 2}}, 49, {M("ab"), N(" "), M("ab")}},
      {"limit without match", rep('x', 120), {}, 49, {N(rep('x', 49))}},
      {"limit without preview", rep('x', 120), {}, 100, {N(rep('x', 100))}},
      {"first match past the limit",
       rep('x', 80) + "hello" + rep('y', 20),
       {{80, 5}},
       49,
       {N(rep('x', 43) + "\u2026"), M("hello")}},
      {"second match straddles the limit",
       "ab" + rep('x', 43) + rep('m', 10) + "tail",
       {{0, 2}, {45, 10}},
       49,
       {M("ab"), N(rep('x', 43)), P("mmmm")}},
      {"match after the limit joins the text",
       sixty,
       {{0, 2}, {55, 2}},
       49,
       {M("01"), N(sixty.substr(2, 47))}},
      {"match after the limit after a match",
       "ab" + rep('x', 60),
       {{0, 2}, {2, 2}, {55, 2}},
       49,
       {M("ab"), M("xx"), N(rep('x', 45))}},
      {"line ends become blanks", "one\ntwo\r\nthree", {{4, 3}}, 49, {N("one "), M("two"), N("  three")}},
      {"range outside the text", "abc", {{10, 2}}, 49, {N("abc")}},
      {"range past the end is clipped", "abc", {{1, 10}}, 49, {N("a"), M("bc")}},
      {"empty range", "abc", {{1, 0}}, 49, {N("abc")}},
      {"empty text", "", {}, 49, {N("")}},
      {"empty text with a range", "", {{0, 3}}, 49, {N("")}},
      {"white space only", "   \n  ", {}, 49, {N("      ")}},
      {"invalid UTF-8",
       "\xff\xfe"
       "ab",
       {{2, 2}},
       49,
       {N("\uFFFD\uFFFD"), M("ab")}},
      {"right to left",
       "\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD",
       {{5, 4}},
       49,
       {N("\u05E9\u05DC\u05D5\u05DD "), M("\u05E2\u05D5\u05DC\u05DD")}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(renderTextsOf(c.text, c.ranges, c.max), c.runs) << c.name;
  }
}

TEST(RenderTextTest, CuttingAtTheLimitKeepsCharactersWhole) {
  const std::vector<Case> cases = {
      {"surrogate pair across the limit", rep('a', 48) + "\U0001F600" + "b", {}, 49, {N(rep('a', 48))}},
      {"surrogate pair before the limit",
       rep('a', 47) + "\U0001F600" + "b",
       {},
       49,
       {N(rep('a', 47) + "\U0001F600")}},
      {"combining mark across the limit", rep('a', 48) + "e\u0301" + "b", {}, 49, {N(rep('a', 48))}},
      {"flag across the limit", rep('a', 46) + "\U0001F1E9\U0001F1EA", {}, 49, {N(rep('a', 46))}},
      {"ellipsis prefix keeps the pair",
       rep('a', 44) + "\U0001F600" + rep('z', 40) + "hit",
       {{86, 3}},
       49,
       {N(rep('a', 44) + "\u2026"), M("hit")}},
      {"partial match keeps the mark",
       rep('a', 45) + "abce\u0301f",
       {{0, 1}, {45, 6}},
       49,
       {M("a"), N(rep('a', 44)), P("abc")}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(renderTextsOf(c.text, c.ranges, c.max), c.runs) << c.name;
  }
}

TEST(RenderTextTest, TenMegabytesOnOneLineReadsOnlyTheStart) {
  std::string big(10'000'000, 'x');
  big.replace(9'000'000, 5, "hello");
  EXPECT_EQ(renderTextsOf(big, {}, 49), std::vector<RenderText>{N(rep('x', 49))});
  EXPECT_EQ(renderTextsOf(big, {{9'000'000, 5}}, 49),
            (std::vector<RenderText>{N(rep('x', 43) + "\u2026"), M("hello")}));
  // A match beyond the end of a long text is dropped, not read past the end.
  EXPECT_EQ(renderTextsOf(big, {{20'000'000, 5}}, 49), std::vector<RenderText>{N(rep('x', 49))});
}

}  // namespace
}  // namespace vl
