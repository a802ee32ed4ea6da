#include <gtest/gtest.h>

#include <memory>

#include "platform/system/GeneralTextPasteboard.h"
#include "platform/system/Pasteboard.h"
#include "platform/system/headless/HeadlessPasteboard.h"
#include "platform/ui/text/TextPasteboard.h"

namespace vl {
namespace {

// Copy and paste in a text field must reach the pasteboard other programs see, including a backend
// installed after the adapter.
TEST(GeneralTextPasteboardTest, TextControlsReachTheGeneralPasteboardInstalledLater) {
  installGeneralTextPasteboard();
  auto board = std::make_shared<HeadlessPasteboard>();
  Pasteboard::install(board);
  auto text = ui::TextPasteboard::current();
  ASSERT_TRUE(text->writeString("from a field"));
  EXPECT_EQ(board->stringForType(kPasteboardTypeString), "from a field");

  board->setContentsFromOtherApplication({PasteboardItem(kPasteboardTypeString, "from elsewhere")});
  EXPECT_EQ(text->readString(), "from elsewhere");

  Pasteboard::install(nullptr);
  ui::TextPasteboard::install(nullptr);
}

}  // namespace
}  // namespace vl
