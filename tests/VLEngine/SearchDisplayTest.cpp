// Result rows: what the default display makes of matches and of a recent list.
#include <gtest/gtest.h>

#include "SearchTestSupport.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"
#include "VLEngine/search/SearchQuery.h"
#include "VLEngine/search/Vellisto_DefaultDisplay.h"

namespace vl {
namespace {

using test::chunkAt;

ui::TextAttributes normal(const ui::Font& font) {
  ui::TextAttributes a;
  a.foregroundColorAssetKey = "fontNormalColor";
  a.font = font;
  return a;
}

ui::TextAttributes matched(const ui::Font& font) {
  ui::TextAttributes a;
  a.foregroundColorAssetKey = "fontMatchedColor";
  a.backgroundColorAssetKey = "recordMatchedColor";
  a.font = font;
  return a;
}

TEST(SearchDisplay, MatchedRangesTakeTheMatchedKeysAndTheMainFontCoversAll) {
  const ui::Font font = ui::Font::systemFont(21);
  Vellisto_DefaultDisplay::setMainFontProvider([font] { return font; });
  auto chunk = chunkAt("a food, FOO", 1.6e9, std::nullopt, Json{{"kind", "text"}});
  Vellisto_Index explicitRanges(3, 0, 1.5e9);
  explicitRanges.setChunkRef(chunk);
  explicitRanges.setRangeList({{2, 3}, {8, 3}});
  Vellisto_Index found(3, 0, 1.5e9);  // ranges found from the query when asked for
  found.setChunkRef(chunk);
  found.setRangeQuery(SearchQuery::compile("foo"));
  Vellisto_DefaultDisplay display;
  DisplayRows rows = display.covert(Vellisto_TempFile({explicitRanges, found}));
  Vellisto_DefaultDisplay::setMainFontProvider(nullptr);
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& row : rows) {
    EXPECT_EQ(row->rangeList(), (std::vector<Range>{{2, 3}, {8, 3}}));
    EXPECT_EQ(row->timestamp(), 1.5e9);  // the match's, not the record's
    EXPECT_EQ(row->priority(), 0);
    EXPECT_EQ(row->json(), (Json{{"kind", "text"}}));
    const std::vector<ui::AttributedString::Run> expected = {
        {{0, 2}, normal(font)}, {{2, 3}, matched(font)}, {{5, 3}, normal(font)}, {{8, 3}, matched(font)}};
    EXPECT_EQ(row->mutableAttributedString().runs(), expected);
  }
}

TEST(SearchDisplay, AtMostAThousandRowsAndOnlyOfRecords) {
  auto chunk = chunkAt("x", 1.6e9);
  std::vector<Vellisto_Index> matches(1005, Vellisto_Index(0, 0, 1));
  for (auto& m : matches) m.setChunkRef(chunk);
  matches[3].setChunkRef(nullptr);
  Vellisto_DefaultDisplay display;
  // The first thousand matches are looked at; the one without a record gives no row.
  EXPECT_EQ(display.covert(Vellisto_TempFile(matches)).size(), 999u);
  EXPECT_TRUE(display.covert(Vellisto_TempFile()).empty());
}

TEST(SearchDisplay, RecentListRowsSkipRecordsThatAreGone) {
  auto kept = chunkAt("kept", 1.6e9);
  auto gone = chunkAt("gone", 1.6e9 + 1);
  auto table = ChunkSortedWeakTable::newTable();
  table->append({gone, kept});
  gone.reset();
  Vellisto_DefaultDisplay display;
  DisplayRows rows = display.covertWeakTable(*table);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]->string(), "kept");
  EXPECT_TRUE(rows[0]->rangeList().empty());
  EXPECT_EQ(rows[0]->timestamp(), 1.6e9);
  ASSERT_EQ(rows[0]->mutableAttributedString().runs().size(), 1u);
  EXPECT_EQ(rows[0]->mutableAttributedString().runs()[0].attributes.foregroundColorAssetKey,
            "fontNormalColor");
}

TEST(SearchDisplay, PlainRowsHaveNoAttributes) {
  auto row = DisplayAttributedString::initWithString("\U0001F600 plain");
  EXPECT_EQ(row->mutableAttributedString().length(), 8u);
  ASSERT_EQ(row->mutableAttributedString().runs().size(), 1u);
  EXPECT_TRUE(row->mutableAttributedString().runs()[0].attributes.empty());
  // Ranges past the end are clamped to the text, never cut into a character.
  auto clamped = DisplayAttributedString::resultRow("ab\U0001F600", {{3, 9}}, ui::Font::systemFont(13));
  EXPECT_EQ(clamped->mutableAttributedString().runs().back().range, Range(2, 2));
}

}  // namespace
}  // namespace vl
