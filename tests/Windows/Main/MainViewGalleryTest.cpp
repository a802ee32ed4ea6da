#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchHistory.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/HintTable2.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/SearchInput2.h"
#include "core/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "support/Gallery.h"
#include "theme/VLFont.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

using MainViewGallery = test::WidgetTest;

TEST_F(MainViewGallery, PartsStackTopToBottomAndTheListFillsFromTheChannel) {
  test::DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto window = MainWindow::create();
  auto controller = MainViewController::create();
  window->setContentViewController(controller);
  window->setFrame({100, 100, 680, 513}, false);

  EXPECT_EQ(controller->size(), ui::Size(680, 513));
  const std::vector<std::pair<std::shared_ptr<ui::View>, ui::Rect>> expected = {
      {controller->pinTabBar(), {0, 475, 680, 38}},   {controller->searchInput(), {0, 423, 680, 52}},
      {controller->thinkingBar(), {0, 385, 680, 38}}, {controller->components()[3], {0, 384, 680, 1}},
      {controller->chunkContent(), {0, 0, 680, 384}},
  };
  for (const auto& [part, frame] : expected) EXPECT_EQ(part->frame(), frame);
  EXPECT_EQ(controller->hintTable()->frame().minX(), 0);
  EXPECT_EQ(controller->chunkContent()->complement()->frame().minX(), 344);

  controller->searchInput()->textField()->setStringValue("note");
  DisplayRows rows;
  for (const char* text :
       {"Meeting notes for Tuesday", "Notebook order number 4471", "A footnote to remember"}) {
    const std::string t = text;
    const auto at = t.find("note") != std::string::npos ? t.find("note") : t.find("Note");
    rows.push_back(DisplayAttributedString::resultRow(t, {Range(at, 4)}, VLFont::mainFont()));
  }
  controller->chunkContent()->receivedData(rows, SearchHistory::kReplayTaskId, false);
  dispatch::MainLoop::runUntilIdle();
  // The rows, then the web-search row for the typed text.
  EXPECT_EQ(controller->hintTable()->getDataSource().size(), 4u);
  EXPECT_EQ(test::writeGallery(*window, "main-window-assembled").size(), 2u);
  SearchHistory::shared().clean();
}

}  // namespace
}  // namespace vl
