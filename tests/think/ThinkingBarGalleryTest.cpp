#include <gtest/gtest.h>

#include <string>

#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchHistory.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/list/HintTable2.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Url.h"
#include "platform/ui/view/Appearance.h"
#include "support/Gallery.h"
#include "support/TextContrast.h"
#include "theme/VLFont.h"
#include "think/ThinkTestSupport.h"
#include "think/bar/ThinkingBar.h"
#include "ui/VLWindow.h"

namespace vl::test {
namespace {

class ThinkingBarGallery : public ThinkTest {};

TEST_F(ThinkingBarGallery, RowsWithAndWithoutASelectionInLightAndDark) {
  DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  TempDir dir("vl-think-gallery");
  const std::string file = dir / "quarterly report.pdf";
  ASSERT_TRUE(files::atomicWrite(file, "%PDF-1.7"));

  // Two bars stacked: thirteen digits with nothing selected above, a file record with its second button
  // selected below.
  auto window =
      VLWindow::create({60, 60, ThinkingBar::kWidth, 2 * ThinkingBar::kHeight}, ui::WindowStyle::Titled);
  const auto barFor = [](std::shared_ptr<DisplayAttributedString> row) {
    ThinkingBar::Host host;
    host.selectedRow = [row] { return row; };
    auto bar = ThinkingBar::create(host);
    bar->refresh();
    return bar;
  };
  auto digits = barFor(DisplayAttributedString::initWithString("1700000000000"));
  auto fileRow = DisplayAttributedString::initWithString(file);
  fileRow->setJson(Json{{"file", percentEncode(file, PercentSet::Path)}, {"custom_view", "FileView"}});
  auto files = barFor(fileRow);
  digits->setFrameOrigin({0, ThinkingBar::kHeight});
  files->setFrameOrigin({0, 0});
  window->contentView()->addSubview(digits);
  window->contentView()->addSubview(files);
  files->actionButtons()[1]->click();
  ASSERT_EQ(digits->actionButtons().size(), 3u);
  ASSERT_EQ(files->actionButtons().size(), 4u);
  dispatch::MainLoop::runUntilIdle();

  const auto written = writeGallery(*window, "thinking-bar");
  ASSERT_EQ(written.size(), 2u);
  auto probe = PixelProbe::fromPng(written[0]);
  ASSERT_TRUE(probe);
  const auto near = [](Pixel p, const ui::Color& c) {
    return std::abs(p.r - c.red * 255) <= 3 && std::abs(p.g - c.green * 255) <= 3 &&
           std::abs(p.b - c.blue * 255) <= 3;
  };
  // A point inside a button's corner, clear of its title: orange when selected, the item colour when not.
  const auto insideLeftEdge = [](const ActionButton& b, double barY) {
    return ui::Point{b.frame().minX() + 3, barY + b.frame().minY() + b.frame().height() / 2};
  };
  EXPECT_TRUE(near(probe->at(insideLeftEdge(*files->actionButtons()[1], 0)), colorOf("thinkingBarOrange")));
  EXPECT_TRUE(near(probe->at(insideLeftEdge(*files->actionButtons()[0], 0)),
                   colorOf("thinkingBarItemBackgroundColor")));
  EXPECT_TRUE(near(probe->at(insideLeftEdge(*digits->actionButtons()[0], ThinkingBar::kHeight)),
                   colorOf("thinkingBarItemBackgroundColor")));
  // Between two buttons the bar's own colour shows.
  const double gap = digits->actionButtons()[0]->frame().maxX() + 5;
  EXPECT_TRUE(near(probe->at({gap, ThinkingBar::kHeight + 19}), colorOf("thinkingBarBackgroundColor")));
  // Every title fits its button: no ink right of the last button.
  const double end = files->actionButtons().back()->frame().maxX();
  const Pixel background = probe->at({end + 4, 19});
  EXPECT_EQ(probe->inkIn({end + 2, 2, ThinkingBar::kWidth - end - 4, 34}, background, 8).count, 0);
}

TEST_F(ThinkingBarGallery, TheBarInTheMainWindowPreviewsTheSelectedAction) {
  DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto window = MainWindow::create();
  auto controller = MainViewController::create();
  auto bar = ThinkingBar::installInto(controller);
  window->setContentViewController(controller);
  window->setFrame({100, 100, 680, 513}, false);
  window->makeKeyAndOrderFront();
  EXPECT_EQ(bar->frame(), (ui::Rect{0, 385, 680, 38}));

  DisplayRows rows;
  for (const char* text : {"1700000000000", "camelCaseName", "9\n10\n1\n2"})
    rows.push_back(DisplayAttributedString::resultRow(text, std::vector<Range>{}, VLFont::mainFont()));
  controller->chunkContent()->receivedData(rows, SearchHistory::kReplayTaskId, false);
  dispatch::MainLoop::runUntilIdle();
  // The list selected its first row, and the bar followed; Ctrl+Up takes the bar, Right moves on.
  ASSERT_EQ(bar->actionButtons().size(), 3u);
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("thinkingBarActive"));
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("searchInputEnd"));
  EXPECT_EQ(bar->selectedItem(), 1);
  EXPECT_FALSE(controller->hintTable()->onFocus());
  EXPECT_EQ(writeGallery(*window, "main-window-thinking-bar").size(), 2u);
  // The chosen action's white title on its fill, the others' on theirs: readable, light and dark.
  for (bool dark : {false, true}) {
    ui::SystemAppearance::shared().setDark(dark);
    const auto faults = textContrastFaults(*window);
    EXPECT_TRUE(faults.empty()) << (dark ? "dark" : "light") << ":\n" << describe(faults);
  }
  ui::SystemAppearance::shared().setDark(false);
  // Another of our windows in front: its presses are not the bar's.
  window_->makeKeyAndOrderFront();
  EXPECT_FALSE(LocalShortcutsManager::shared().offerShortcutKey("searchInputEnd"));
  EXPECT_FALSE(LocalShortcutsManager::shared().offerShortcutKey("thinkingBarSelect1"));
  EXPECT_EQ(bar->selectedItem(), 1);
  window->orderOut();
  SearchHistory::shared().clean();
}

}  // namespace
}  // namespace vl::test
