#include <gtest/gtest.h>

#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchHistory.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/MainWindow.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "remind/RemindAction.h"
#include "support/Gallery.h"
#include "theme/VLFont.h"
#include "think/ThinkTestSupport.h"
#include "think/bar/ThinkingBar.h"

namespace vl::test {
namespace {

class RemindGallery : public ThinkTest {};

TEST_F(RemindGallery, TheMainWindowPreviewsTheReminder) {
  clock_->setNow(*date::parse("2024-05-15 09:00:00", "yyyy-MM-dd HH:mm:ss"));
  Think::setRemindAction(&RemindAction::shared());
  DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto window = MainWindow::create();
  auto controller = MainViewController::create();
  auto bar = ThinkingBar::installInto(controller);
  window->setContentViewController(controller);
  window->setFrame({100, 100, 680, 513}, false);
  window->makeKeyAndOrderFront();

  DisplayRows rows;
  for (const char* text : {"明天下午3点开会", "下周三上午10点评审"})
    rows.push_back(DisplayAttributedString::resultRow(text, std::vector<Range>{}, VLFont::mainFont()));
  controller->chunkContent()->receivedData(rows, SearchHistory::kReplayTaskId, false);
  dispatch::MainLoop::runUntilIdle();
  ASSERT_EQ(bar->actionButtons().size(), 1u);
  EXPECT_EQ(&bar->actionButtons()[0]->actionRef(), &RemindAction::shared());
  // Ctrl+Up takes the bar: its one button is chosen and previewed.
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("thinkingBarActive"));
  EXPECT_EQ(bar->selectedItem(), 0);
  const auto written = writeGallery(*window, "main-window-reminder");
  ASSERT_EQ(written.size(), 2u);
  // The preview column shows the result text: ink right of the list, below the bar.
  auto probe = PixelProbe::fromPng(written[1]);
  ASSERT_TRUE(probe);
  const Pixel background = probe->at({670, 200});
  EXPECT_GT(probe->inkIn({300, 250, 370, 120}, background, 40).count, 0);

  window->orderOut();
  SearchHistory::shared().clean();
  Think::setRemindAction(nullptr);
}

}  // namespace
}  // namespace vl::test
