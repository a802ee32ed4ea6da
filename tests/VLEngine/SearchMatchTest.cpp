// Patterns, ranges and ranking of one record: SearchQuery and Vellisto_DefaultMap.
#include <gtest/gtest.h>

#include "SearchTestSupport.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/record/RecordJson.h"
#include "VLEngine/search/SearchQuery.h"
#include "VLEngine/search/Vellisto_DefaultMap.h"

namespace vl {
namespace {

using test::chunkAt;

TEST(SearchPatterns, BuiltFromTheQueryAsSpecified) {
  struct Case {
    const char* query;
    const char* context;
    const char* alias;
  };
  for (const Case& c : {Case{"foo", "foo", "^foo"}, Case{"foo bar", "(foo).*(bar)", "^foo bar"},
                        Case{"foo  bar", "(foo).*().*(bar)", "^foo  bar"}, Case{"foo ", "(foo).*()", "^foo "},
                        Case{"a.b", "a\\.b", "^a\\.b"}, Case{"(x) y", "(\\(x\\)).*(y)", "^\\(x\\) y"}}) {
    EXPECT_EQ(Vellisto_DefaultMap::rebuildContextRegex(c.query), c.context) << c.query;
    EXPECT_EQ(Vellisto_DefaultMap::rebuildAliasRegex(c.query), c.alias) << c.query;
  }
}

TEST(SearchPatterns, RangesInUtf16Units) {
  struct Case {
    const char* query;
    const char* text;
    std::vector<Range> ranges;  // empty: no match
  };
  const std::vector<Case> cases = {
      {"Foo", "a food", {{2, 3}}},
      {"Foo", "FOO", {{0, 3}}},
      {"foo", "foo foo", {{0, 3}, {4, 3}}},
      {"aa", "aaaa", {{0, 2}, {2, 2}}},  // matches do not overlap
      {"foo bar", "foo and bar", {{0, 3}, {8, 3}}},
      {"foo bar", "bar and foo", {}},
      {"foo bar", "foo\nbar", {}},                   // "." stops at a line end
      {"foo bar", "foo bar bar", {{0, 3}, {8, 3}}},  // greedy: the last "bar" on the line
      {"foo ", "foo x\nfoo", {{0, 3}, {5, 0}, {6, 3}, {9, 0}}},
      {" bar", "x bar", {{0, 0}, {2, 3}}},
      {"b", "\U0001F600b", {{2, 1}}},   // an emoji is two units
      {"b", "\u00E9b", {{1, 1}}},       // é is one
      {"k", "\u212A", {{0, 1}}},        // the Kelvin sign folds to k
      {"ss", "stra\u00DFe", {{4, 1}}},  // ß folds to ss
      {"\u6771\u4EAC", "\u5317\u4EAC\u3068\u6771\u4EAC", {{3, 2}}},
  };
  for (const Case& c : cases) {
    auto match = SearchQuery::compile(c.query)->matchText(c.text);
    if (c.ranges.empty()) {
      EXPECT_FALSE(match) << c.query << " / " << c.text;
      continue;
    }
    ASSERT_TRUE(match) << c.query << " / " << c.text;
    EXPECT_EQ(match->ranges, c.ranges) << c.query << " / " << c.text;
  }
}

TEST(SearchPatterns, SpacesOnlyMatchEveryRecord) {
  auto query = SearchQuery::compile("  ");
  for (const char* text : {"", "x", "two\nlines"}) EXPECT_TRUE(query->matchText(text)) << text;
}

TEST(SearchPatterns, PathologicalQueryStopsAtItsTimeLimit) {
  // Four parts over a long line without the last one backtrack as the fourth power of the line in
  // ICU (an 800-character line takes about 20 s). The ICU road must come back, as no match.
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "e ";
  SearchQuery::Options options;
  options.fastPath = false;
  options.timeLimitMs = 20;
  EXPECT_FALSE(SearchQuery::compile("e e e x", options)->matchText(text));
  // The byte plan answers the same in linear time.
  EXPECT_FALSE(SearchQuery::compile("e e e x")->matchText(text));
  EXPECT_TRUE(SearchQuery::compile("e e e x")->matchText(text + "x"));
}

class SearchMapTest : public ::testing::Test, protected test::SearchFixtureBase {
 protected:
  void SetUp() override { installIndex({"Installed"}); }
  void TearDown() override { finish(); }

  std::vector<Vellisto_Index> map(const std::vector<std::shared_ptr<Vellisto_Chunk>>& chunks,
                                  const std::string& query) {
    auto matcher = Vellisto_DefaultMap::withApplicationSearching();
    auto task = test::searchTask(query, 1);
    task->setNow(kNow);
    return matcher->mappingChunks(chunks, 0, chunks.size(), *task)->indexs();
  }

  static constexpr double kNow = 1.7e9;
};

TEST_F(SearchMapTest, AliasMatchesAtItsStartAndRanksFirst) {
  auto food = chunkAt("unrelated text", kNow - 10, "Food");
  auto xfoo = chunkAt("nothing", kNow - 10, "xfoo");
  auto text = chunkAt("fo at the start", kNow);
  auto matches = map({food, xfoo, text, nullptr}, "fo");
  ASSERT_EQ(matches.size(), 2u);
  EXPECT_EQ(matches[0].chunkRef(), food);
  EXPECT_EQ(matches[0].priority(), -1.0);
  EXPECT_FALSE(matches[0].hasRangeList());
  EXPECT_EQ(matches[1].chunkRef(), text);
  EXPECT_GT(matches[1].priority(), 0);
  EXPECT_TRUE(map({xfoo}, "foo").empty());
}

TEST_F(SearchMapTest, PriorityIsWordPositionThenPlaceThenAge) {
  auto chosen = chunkAt("xx foo", kNow);
  chosen->offerSearchWord("foo");
  auto plain = chunkAt("foo", kNow);
  auto later = chunkAt("xx foo", kNow);
  auto older = chunkAt("xx foo", kNow - 86400);
  auto matches = map({chosen, plain, later, older}, "foo");
  ASSERT_EQ(matches.size(), 4u);
  // Position 0 in the search words beats everything at position 11.
  EXPECT_LT(matches[0].priority(), 1.0);
  EXPECT_DOUBLE_EQ(matches[0].priority(), 0 + double(Vellisto_DefaultMap::factor(3)));
  EXPECT_LT(matches[1].priority(), matches[2].priority());  // "foo" at 0 before "foo" at 3
  EXPECT_LT(matches[2].priority(), matches[3].priority());  // a day newer ranks first
  EXPECT_DOUBLE_EQ(matches[1].priority(), 11.0);
}

TEST_F(SearchMapTest, FactorsAreSinglePrecisionTerms) {
  EXPECT_EQ(Vellisto_DefaultMap::factor(3), static_cast<float>(3 / 1000000.0));
  EXPECT_EQ(Vellisto_DefaultMap::timeFactor(kNow - 86400, kNow),
            static_cast<float>(86400 / kNow / 10000000.0));
}

TEST_F(SearchMapTest, TimeStampsReadAsTheRecordReadsThem) {
  for (const char* text :
       {"1700000000.123456", "1.5", "12", "", "abc", "-5.0", "1e9", "0.1", "9999999999.999999",
        "123456789012345678", "1.2.3", ".5", "5.", "0.000001", " 7"}) {
    auto chunk = chunkAt("x", 0);
    chunk->setTimestamp(text);
    EXPECT_EQ(Vellisto_DefaultMap::timestampOf(*chunk), chunk->timestampValue()) << text;
  }
}

TEST_F(SearchMapTest, ApplicationRecordsNeedTheirApplicationInstalled) {
  Json app = {{"app", true}};
  auto installed = chunkAt("Installed", kNow, std::nullopt, app);
  auto gone = chunkAt("Installed Gone", kNow, std::nullopt, app);
  auto matches = map({installed, gone}, "installed");
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(matches[0].chunkRef(), installed);
}

TEST_F(SearchMapTest, RecognisedTextMatchesWithoutRanges) {
  auto image = chunkAt("screenshot.png", kNow, std::nullopt, Json{{"ocr", "an invoice total"}});
  image->offerSearchWord("invoice");
  auto matches = map({image}, "invoice");
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(matches[0].priority(), 0.0);  // the word position alone
  EXPECT_FALSE(matches[0].hasRangeList());
  EXPECT_TRUE(map({chunkAt("x", kNow, std::nullopt, Json{{"ocr", 42}})}, "4").empty());
}

// The recognised text is taken out of the json once, when the record is made or read from its doc: a
// search at every keystroke parses no json.
TEST_F(SearchMapTest, SearchingRecognisedTextParsesNoJson) {
  const std::string kEOB(doctext::kFieldSeparator);
  std::vector<std::shared_ptr<Vellisto_Chunk>> images;
  for (int i = 0; i < 50; ++i) {
    images.push_back(chunkAt("shot" + std::to_string(i) + ".png", kNow - i, std::nullopt,
                             Json{{"ocr", "receipt " + std::to_string(i)}, {"custom_view", "FileView"}}));
  }
  images.push_back(Vellisto_Chunk::initWithChunkStr("s" + kEOB + kEOB + "1.000000" + kEOB + kEOB +
                                                    "read.png" + kEOB + kEOB + "{\"ocr\": \"old receipt\"}"));
  const std::uint64_t before = RecordJson::parseCount();
  for (const char* query : {"r", "re", "rec", "receipt", "receipt 4"})
    EXPECT_FALSE(map(images, query).empty());
  EXPECT_EQ(map(images, "old").size(), 1u);
  EXPECT_EQ(RecordJson::parseCount(), before);
}

TEST_F(SearchMapTest, LogicallyDeletedRecordsAreNotFound) {
  auto chunk = chunkAt("foo", kNow);
  chunk->setFlag(Vellisto_Chunk::kFlagDeleted);
  EXPECT_TRUE(map({chunk}, "foo").empty());
}

}  // namespace
}  // namespace vl
