#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/Text.h"

using vl::Range;
using vl::Regex;
using vl::RegexOptions;

namespace {

const std::string kMixed =
    "a\xF0\x9F\x98\x80"
    "b\xE4\xB8\xAD\xE6\x96\x87"
    "c";

TEST(Regex, RangesAreUtf16UnitsOverEmojiAndCjk) {
  auto re = Regex::compile("\xE4\xB8\xAD\xE6\x96\x87");  // 中文
  ASSERT_TRUE(re);
  auto m = re->firstMatch(kMixed);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->range(), Range(4, 2));
  EXPECT_EQ(vl::substringWithRange(kMixed, m->range()), "\xE4\xB8\xAD\xE6\x96\x87");

  auto emoji = Regex::compile("\xF0\x9F\x98\x80(b)");
  ASSERT_TRUE(emoji);
  auto e = emoji->firstMatch(kMixed);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->range(), Range(1, 3));
  EXPECT_EQ(e->group(1), Range(3, 1));
}

TEST(Regex, AllMatchesWithGroupRanges) {
  // Two words as two groups, the shape the search patterns use.
  auto re = Regex::compile("(foo)|(\xE6\x96\x87)", {.caseInsensitive = true});
  ASSERT_TRUE(re);
  EXPECT_EQ(re->groupCount(), 2u);
  auto search = re->allMatches("FOO \xF0\x9F\x98\x80 \xE6\x96\x87 Foo");
  ASSERT_EQ(search.matches.size(), 3u);
  EXPECT_FALSE(search.timedOut);
  EXPECT_EQ(search.matches[0].group(1), Range(0, 3));
  EXPECT_FALSE(search.matches[0].group(2).found());
  EXPECT_EQ(search.matches[1].group(2), Range(7, 1));
  EXPECT_FALSE(search.matches[1].group(1).found());
  EXPECT_EQ(search.matches[2].range(), Range(9, 3));
  EXPECT_FALSE(search.matches[2].group(7).found());  // a group that does not exist
  EXPECT_EQ(re->allMatches("foo foo foo", 2).matches.size(), 2u);
}

TEST(Regex, OptionsChangeMatching) {
  struct Case {
    const char* pattern;
    RegexOptions options;
    const char* subject;
    bool matches;
  } cases[] = {
      {"abc", {}, "xABCx", false},
      {"abc", {.caseInsensitive = true}, "xABCx", true},
      {"stra\xC3\x9F"
       "e",
       {.caseInsensitive = true},
       "STRASSE",
       true},
      {"^b$", {}, "a\nb\nc", false},
      {"^b$", {.multiline = true}, "a\nb\nc", true},
      {"a.b", {}, "a\nb", false},
      {"a.b", {.dotAll = true}, "a\nb", true},
      {"a.b", {.literal = true}, "axb", false},
      {"a.b", {.literal = true}, "a.b", true},
  };
  for (const Case& c : cases) {
    auto re = Regex::compile(c.pattern, c.options);
    ASSERT_TRUE(re) << c.pattern;
    EXPECT_EQ(re->matches(c.subject), c.matches) << c.pattern << " on " << c.subject;
  }
}

TEST(Regex, CompileErrorIsReportedAndLogged) {
  vl::test::LogCapture logs;
  std::string error;
  EXPECT_EQ(Regex::compile("(unclosed", {}, &error), nullptr);
  EXPECT_NE(error.find("U_REGEX"), std::string::npos) << error;
  EXPECT_TRUE(vl::test::LogCapture::contains("cannot compile"));
  EXPECT_EQ(Regex::compile("[z-a]"), nullptr);
}

TEST(Regex, EscapedTextMatchesItselfLiterally) {
  const std::string texts[] = {"a.b*c", "(1+1)=2?", "[x]{2}^$|\\/", "\xE4\xB8\xAD.\xF0\x9F\x98\x80", "-"};
  for (const std::string& t : texts) {
    auto re = Regex::compile(Regex::escapeForLiteral(t));
    ASSERT_TRUE(re) << t;
    auto m = re->firstMatch("xx" + t + "yy");
    ASSERT_TRUE(m) << t;
    EXPECT_EQ(m->range(), Range(2, vl::utf16Length(t)));
  }
  EXPECT_FALSE(Regex::compile(Regex::escapeForLiteral("a.c"))->matches("abc"));
}

TEST(Regex, TimeLimitCutsOffCatastrophicBacktracking) {
  vl::test::LogCapture logs;
  auto re = Regex::compile("(a+)+$", {.timeLimitMs = 50});
  ASSERT_TRUE(re);
  const std::string subject = std::string(48, 'a') + "!";
  bool timedOut = false;
  EXPECT_FALSE(re->firstMatch(subject, 0, &timedOut));
  EXPECT_TRUE(timedOut);
  auto search = re->allMatches(subject);
  EXPECT_TRUE(search.timedOut);
  EXPECT_TRUE(search.matches.empty());
  EXPECT_TRUE(vl::test::LogCapture::contains("time limit"));
  // The same pattern still answers ordinary subjects within the limit.
  EXPECT_TRUE(re->matches("aaa"));
}

TEST(Regex, OneCompiledPatternServesManyThreads) {
  auto re = Regex::compile("(\\w+)@(\\w+)");
  ASSERT_TRUE(re);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::string subject = std::string(static_cast<std::size_t>(t), ' ') + "user@host";
      for (int i = 0; i < 500; ++i) {
        auto m = re->firstMatch(subject);
        if (!m || m->group(2) != Range(static_cast<std::size_t>(t) + 5, 4)) ++wrong;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
