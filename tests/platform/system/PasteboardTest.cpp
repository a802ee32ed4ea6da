#include <gtest/gtest.h>

#include "platform/system/Pasteboard.h"
#include "platform/system/headless/HeadlessPasteboard.h"

namespace vl {
namespace {

const std::string kPngBytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

TEST(PasteboardTest, ChangeCountRisesOncePerChangeOfContents) {
  HeadlessPasteboard board;
  EXPECT_EQ(board.changeCount(), 0);

  PasteboardItem rich(kPasteboardTypeString, "hello");
  rich.setString(kPasteboardTypeHTML, "<b>hello</b>");
  EXPECT_EQ(board.setContentsFromOtherApplication({rich, PasteboardItem(kPasteboardTypePNG, kPngBytes)}), 1);
  EXPECT_EQ(board.changeCount(), 1);

  // Our own write: clearing claims the pasteboard, the items that follow do not count again.
  EXPECT_EQ(board.clearContents(), 2);
  EXPECT_TRUE(board.writeObjects(
      {PasteboardItem(kPasteboardTypeString, "a"), PasteboardItem(kPasteboardTypeRTF, "{\\rtf1 a}")}));
  EXPECT_EQ(board.changeCount(), 2);
  EXPECT_EQ(board.ownClearCount(), 1);

  EXPECT_TRUE(board.setString("plain"));
  EXPECT_EQ(board.changeCount(), 3);
  EXPECT_EQ(board.stringForType(kPasteboardTypeString), "plain");
  EXPECT_FALSE(board.hasType(kPasteboardTypeRTF));
}

TEST(PasteboardTest, ReadsLookAtTheFirstItemHoldingTheType) {
  HeadlessPasteboard board;
  PasteboardItem first(kPasteboardTypeFileURL, "file:///tmp/a%20b.png");
  first.setString(kPasteboardTypeString, "a b.png");
  PasteboardItem second(kPasteboardTypeString, "second");
  second.setData(kPasteboardTypePNG, kPngBytes);
  board.setContentsFromOtherApplication({first, second});

  EXPECT_EQ(board.types(),
            (std::vector<std::string>{kPasteboardTypeFileURL, kPasteboardTypeString, kPasteboardTypePNG}));
  EXPECT_EQ(board.stringForType(kPasteboardTypeString), "a b.png");
  EXPECT_EQ(board.dataForType(kPasteboardTypePNG), kPngBytes);
  EXPECT_EQ(board.dataForType(kPasteboardTypeHTML), std::nullopt);
  // Binary data is not text: a reader asking for text gets nothing rather than broken UTF-8.
  EXPECT_EQ(board.stringForType(kPasteboardTypePNG), std::nullopt);
}

}  // namespace
}  // namespace vl
