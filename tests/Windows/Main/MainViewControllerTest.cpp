#include <gtest/gtest.h>

#include <fstream>
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
#include "platform/system/headless/HeadlessWorkspace.h"
#include "support/Gallery.h"
#include "support/TestSupport.h"
#include "theme/VLFont.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

using MainViewControllerTest = test::WidgetTest;

TEST_F(MainViewControllerTest, PartsStackTopToBottomAndTheListFillsFromTheChannel) {
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

// Quick Look hands a readable file or image to the desktop's default application, and nothing else.
TEST_F(MainViewControllerTest, QuickLookOpensOnlyRecordsWithSomethingToOpen) {
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto workspace = std::make_shared<HeadlessWorkspace>();
  Workspace::install(workspace);
  test::TempDir dir("vl-quick-look");
  const std::string file = dir.path() + "/report.txt";
  std::ofstream(file) << "text";
  auto controller = MainViewController::create();
  controller->view();
  struct Case {
    const char* name;
    Json json;
    bool opens;
  };
  for (const Case& c : std::vector<Case>{{"file", Json{{"file", file}}, true},
                                         {"missing file", Json{{"file", dir.path() + "/gone.txt"}}, false},
                                         {"missing image", Json{{"image", dir.path() + "/gone.png"}}, false},
                                         {"text", Json::object(), false}}) {
    auto row = DisplayAttributedString::resultRow(c.name, std::vector<Range>{}, VLFont::mainFont());
    row->setJson(c.json);
    controller->chunkContent()->receivedData(DisplayRows{row}, SearchHistory::kReplayTaskId, false);
    dispatch::MainLoop::runUntilIdle();
    EXPECT_EQ(controller->showPreview(), c.opens) << c.name;
  }
  EXPECT_EQ(workspace->openedURLs(), std::vector<std::string>{"file://" + file});
  Workspace::install(nullptr);
  SearchHistory::shared().clean();
}

}  // namespace
}  // namespace vl
