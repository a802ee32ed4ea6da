#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/Text.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/BlockLayout.h"
#include "platform/ui/text/TextMetrics.h"

namespace vl::ui {
namespace {

const Font k10 = Font::systemFont(10);

// Lines of words, some wide characters and a pair among them, `bytes` long.
std::string paragraphs(std::size_t bytes) {
  std::string text;
  for (unsigned n = 1; text.size() < bytes; ++n) {
    text += n % 7 == 0 ? "\xE4\xB8\xAD\xE6\x96\x87 " : n % 11 == 0 ? "\xF0\x9F\x98\x80 " : "copied words ";
    if (n % 9 == 0) text += n % 27 == 0 ? "\r\n" : "\n";
  }
  return text;
}

// A long text costs what is shown of it: drawing its top lays out a block or two, not the megabytes.
TEST(BlockLayoutTest, OnlyTheBlocksAskedAboutAreLaidOut) {
  const AttributedString text(paragraphs(4 << 20));
  BlockLayout layout(text, k10, 300, 0, LineBreakMode::WordWrapping, TextAlignment::Natural);
  ASSERT_GT(layout.blockCount(), 100u);
  EXPECT_EQ(layout.laidOutUnits(), 0u);
  EXPECT_GT(layout.usedSize().height, 100000);  // estimated, nothing laid out for it
  EXPECT_EQ(layout.laidOutUnits(), 0u);

  const auto top = layout.linesIn(0, 400);
  ASSERT_FALSE(top.empty());
  EXPECT_EQ(top.front().fragment.range.location, 0u);
  EXPECT_LE(layout.laidOutUnits(), 2 * BlockLayout::kBlockUnits);
  // A caret near the end lays out its own block only.
  const std::size_t before = layout.laidOutUnits();
  const Rect caret = layout.caretRect(text.length() - 1);
  EXPECT_GT(caret.minY(), 100000);
  EXPECT_LE(layout.laidOutUnits(), before + BlockLayout::kBlockUnits);
}

// Laid out block by block, a text of paragraphs has exactly the lines it has laid out whole; a paragraph
// longer than a block is cut into pieces that still hold every unit once, in order.
TEST(BlockLayoutTest, BlocksAgreeWithTheWholeLayout) {
  struct Case {
    const char* name;
    std::string text;
    bool sameAsWhole;
  };
  std::string longParagraph;
  for (int i = 0; i < 6000; ++i) longParagraph += i % 5 ? "word " : "\xF0\x9F\x98\x80xyz ";
  const Case cases[] = {
      {"paragraphs", paragraphs(60000), true},
      {"paragraphs ending with a line end", paragraphs(30000) + "\n", true},
      {"one paragraph longer than a block", longParagraph, false},
      {"one unbroken run", std::string(40000, 'x'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AttributedString text(c.text);
    BlockLayout blocks(text, k10, 300, 0, LineBreakMode::WordWrapping, TextAlignment::Natural);
    ASSERT_GT(blocks.blockCount(), 1u);
    const auto lines = blocks.linesIn(0, 1e12);
    if (c.sameAsWhole) {
      const TextLayout whole(text, k10, 300, 0, LineBreakMode::WordWrapping, TextAlignment::Natural, true,
                             text.length());
      ASSERT_EQ(lines.size(), whole.lineCount());
      for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].fragment.range, whole.lines()[i].range) << i;
        ASSERT_NEAR(lines[i].fragment.y, whole.lines()[i].y, 1e-6) << i;
      }
      EXPECT_NEAR(blocks.usedSize().height, whole.usedSize().height, 1e-6);
    }
    std::size_t next = 0;
    double y = -1;
    for (const auto& line : lines) {
      ASSERT_EQ(line.fragment.range.location, next);
      ASSERT_GT(line.fragment.y, y);
      next = line.fragment.range.end();
      y = line.fragment.y;
    }
    EXPECT_EQ(next, text.length());
    EXPECT_EQ(blocks.lineCount(), lines.size());
    // Indexes map to the lines that hold them, across block edges.
    for (std::size_t i = 0; i < lines.size(); i += 97) {
      const std::size_t at = lines[i].fragment.range.location;
      EXPECT_EQ(blocks.lineIndexForCharacterIndex(at), i);
      EXPECT_EQ(blocks.characterIndexForPoint({0, lines[i].fragment.y + 1}), at);
    }
  }
}

// A one-line field holding a pasted megabyte lays out a bounded part of it; the rest belongs to its line.
TEST(BlockLayoutTest, AnUnwrappedLineLaysOutABoundedPart) {
  const AttributedString text(std::string(1 << 20, 'a'));
  BlockLayout layout(text, k10, 0, 1, LineBreakMode::Clipping, TextAlignment::Natural);
  const auto lines = layout.linesIn(0, 100);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].fragment.range.end(), text.length());
  EXPECT_EQ(lines[0].drawnEnd, BlockLayout::kUnwrappedUnits);
  EXPECT_EQ(layout.laidOutUnits(), BlockLayout::kUnwrappedUnits);
  EXPECT_EQ(layout.lineIndexForCharacterIndex(text.length()), 0u);
}

}  // namespace
}  // namespace vl::ui
