#include <gtest/gtest.h>

#include "platform/foundation/Text.h"

using vl::ByteRange;
using vl::Range;

namespace {

// "a😀b中文c": a(1) 😀(2 units, 4 bytes) b(1) 中(1, 3 bytes) 文(1, 3 bytes) c(1)
const std::string kMixed =
    "a\xF0\x9F\x98\x80"
    "b\xE4\xB8\xAD\xE6\x96\x87"
    "c";

TEST(Utf16, LengthsCountSurrogatePairsAsTwo) {
  struct Case {
    std::string text;
    std::size_t units;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {kMixed, 7},
      {"\xC3\xA9", 1},                                      // é
      {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", 5},  // 👨‍👩 joined by ZWJ
      {"\xFF"
       "a",
       2},              // an invalid byte counts as one unit
      {"\xE4\xB8", 1},  // a truncated sequence is one replacement character
  };
  for (const Case& c : cases) EXPECT_EQ(vl::utf16Length(c.text), c.units) << c.text;
}

TEST(Utf16, LengthAgreesWithIcuForInvalidInput) {
  // Our counts must match ICU's strings, or regex ranges would point at the wrong bytes.
  const std::string samples[] = {
      "\xE4\xB8"
      "x",
      "\xF0\x9F\x98",
      "\xED\xA0\x80",
      "\xC0\xAF",
      "a\x80\x80"
      "b",
      "\xF4\x90\x80\x80",
      kMixed};
  for (const std::string& s : samples)
    EXPECT_EQ(vl::utf16Length(s), static_cast<std::size_t>(vl::toUnicodeString(s).length())) << s.size();
}

TEST(Utf16, IndexAndByteOffsetConvertBothWays) {
  EXPECT_EQ(vl::byteOffsetOfUtf16Index(kMixed, 0), 0u);
  EXPECT_EQ(vl::byteOffsetOfUtf16Index(kMixed, 1), 1u);
  EXPECT_EQ(vl::byteOffsetOfUtf16Index(kMixed, 2), 1u);  // inside the emoji: rounds down
  EXPECT_EQ(vl::byteOffsetOfUtf16Index(kMixed, 3), 5u);
  EXPECT_EQ(vl::byteOffsetOfUtf16Index(kMixed, 4), 6u);
  EXPECT_EQ(vl::byteOffsetOfUtf16Index(kMixed, 99), kMixed.size());
  EXPECT_EQ(vl::utf16IndexOfByteOffset(kMixed, 6), 4u);
  EXPECT_EQ(vl::utf16IndexOfByteOffset(kMixed, 7), 4u);  // inside 中
  EXPECT_EQ(vl::utf16IndexOfByteOffset(kMixed, kMixed.size()), 7u);
}

TEST(Utf16, RangesConvertAndWidenToWholeCodePoints) {
  EXPECT_EQ(vl::substringWithRange(kMixed, Range(4, 2)), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(vl::byteRangeOfRange(kMixed, Range(4, 2)), (ByteRange{6, 6}));
  // Half of the surrogate pair on either side takes the whole emoji.
  EXPECT_EQ(vl::substringWithRange(kMixed, Range(2, 1)), "\xF0\x9F\x98\x80");
  EXPECT_EQ(vl::substringWithRange(kMixed, Range(1, 1)), "\xF0\x9F\x98\x80");
  EXPECT_EQ(vl::substringWithRange(kMixed, Range(6, 50)), "c");
  EXPECT_EQ(vl::substringWithRange(kMixed, Range(50, 2)), "");
  EXPECT_EQ(vl::substringWithRange(kMixed, Range()), "");
  EXPECT_EQ(vl::rangeOfByteRange(kMixed, ByteRange{6, 6}), Range(4, 2));
  EXPECT_EQ(vl::rangeOfByteRange(kMixed, ByteRange{1, 1}), Range(1, 2));
}

TEST(Utf16, CutNeverSplitsACodePoint) {
  EXPECT_EQ(vl::cutToUtf16Length(kMixed, 0), "");
  EXPECT_EQ(vl::cutToUtf16Length(kMixed, 1), "a");
  EXPECT_EQ(vl::cutToUtf16Length(kMixed, 2), "a");  // would split the surrogate pair
  EXPECT_EQ(vl::cutToUtf16Length(kMixed, 3), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(vl::cutToUtf16Length(kMixed, 100), kMixed);
  std::string cut = vl::cutToUtf16Length(kMixed, 5);
  EXPECT_TRUE(vl::isValidUtf8(cut));
  EXPECT_EQ(vl::utf16Length(cut), 5u);
}

TEST(Text, CaseMappingUsesFullUnicodeRules) {
  EXPECT_EQ(vl::uppercase("stra\xC3\x9F"
                          "e"),
            "STRASSE");
  EXPECT_EQ(vl::lowercase("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(vl::caseFold("\xE2\x84\xAA"), "k");  // Kelvin sign folds to k
  EXPECT_EQ(vl::lowercase(kMixed), kMixed);
}

TEST(Text, TrimAndSplitLines) {
  EXPECT_EQ(vl::trimWhitespace(" \t\n a b \xE3\x80\x80\r\n"), "a b");  // ideographic space trimmed
  EXPECT_EQ(vl::trimWhitespace(" \n "), "");
  EXPECT_EQ(vl::splitLines("a\nb\r\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(vl::splitLines("a\n"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(vl::splitLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(vl::splitLines(""), (std::vector<std::string>{""}));
}

TEST(Text, InvalidUtf8IsReplacedNotDropped) {
  EXPECT_FALSE(
      vl::isValidUtf8("a\xFF"
                      "b"));
  EXPECT_EQ(vl::sanitizeUtf8("a\xFF"
                             "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(vl::fromUnicodeString(vl::toUnicodeString("a\xFF"
                                                      "b")),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(vl::fromUtf16(vl::toUtf16(kMixed)), kMixed);
}

}  // namespace
