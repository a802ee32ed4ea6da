#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/list/RowServices.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"
#include "support/Gallery.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "ui/VLWindow.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

// Every place the query occurs in the text.
std::shared_ptr<DisplayAttributedString> found(const std::string& text, const std::string& query,
                                               std::optional<Json> json = std::nullopt) {
  std::vector<Range> ranges;
  for (std::size_t at = text.find(query); !query.empty() && at != std::string::npos;
       at = text.find(query, at + query.size())) {
    ranges.emplace_back(utf16IndexOfByteOffset(text, at), utf16Length(query));
  }
  auto row = DisplayAttributedString::resultRow(text, ranges, VLFont::mainFont());
  row->setJson(std::move(json));
  return row;
}

// A rounded square in one colour, standing in for a desktop icon.
ui::ImageRef tile(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const int n = 36;
  std::vector<std::uint8_t> rgba(n * n * 4, 0);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const double dx = std::max(0.0, std::abs(x - 17.5) - 10), dy = std::max(0.0, std::abs(y - 17.5) - 10);
      if (std::hypot(dx, dy) > 7) continue;
      std::uint8_t* p = &rgba[(y * n + x) * 4];
      p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    }
  }
  return std::make_shared<const ui::Image>(ui::Size{18, 18}, n, n, std::move(rgba), "tile");
}

class RecordListGallery : public test::WidgetTest {
 protected:
  void TearDown() override {
    RowServices::setIconProvider(nullptr);
    RowServices::setBrowserPath(nullptr);
    test::WidgetTest::TearDown();
  }
};

TEST_F(RecordListGallery, MatchesSelectionAndIconsInLightAndDark) {
  test::DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  RowServices::setIconProvider([](RowServices::IconKind kind, const std::string&) {
    switch (kind) {
      case RowServices::IconKind::Application:
        return tile(0xE1, 0x1D, 0x48);
      case RowServices::IconKind::File:
        return tile(0xF5, 0x9E, 0x0B);
      case RowServices::IconKind::Browser:
        return tile(0x10, 0xB9, 0x81);
    }
    return ui::ImageRef();
  });
  RowServices::setBrowserPath([] { return std::string("/usr/share/applications/browser.desktop"); });

  auto window = VLWindow::create({60, 60, 352, 400}, ui::WindowStyle::Titled);
  setBackgroundColorAssetKey(*window, "classicBackgroundColor");
  HintTableHooks hooks;
  hooks.searchText = [] { return std::string("lay"); };
  auto list = HintTable2::create(hooks);
  list->setFrameOrigin({0, 8});
  window->contentView()->addSubview(list);
  list->refreshDataSource(
      {
          found("git commit -m \"Fix the layout of the record list\"", "lay"),
          found("Relay the layout notes to the display team, then play", "lay"),
          found("Text Editor", "lay",
                Json{{"app", true}, {"app_path", "/usr/share/applications/editor.desktop"}}),
          found("/home/user/Documents/layout-review.pdf", "lay",
                Json{{"file", "file:///home/user/layout.pdf"}}),
          found("A long note that goes on and on about many things before it finally mentions the layout",
                "lay"),
          found("Line one\nline two of the layout\nline three", "lay"),
          found("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD lay \u05E9\u05DC\u05D5\u05DD", "lay"),
          found("   ", "lay"),
          found("Caf\u00E9 cre\u0300me br\u00FBl\u00E9e, a delayed order \U0001F600", "lay"),
          found("Playlist for the weekend", "lay"),
          found("display: flex; gap: 8px;", "lay"),
          found("Overlay the layers, then relay", "lay"),
          found("Clay and play", "lay"),
      },
      false);
  list->reload();
  list->tableView()->multipleDeselect();
  list->tableView()->selectRowIndexes(ui::IndexSet{1}, true);
  list->tableView()->selectRowIndexes(ui::IndexSet{2}, true);
  dispatch::MainLoop::runUntilIdle();  // icons arrive on a later turn

  const std::vector<std::string> written = test::writeGallery(*window, "record-list");
  ASSERT_EQ(written.size(), 2u);
  // The selection is drawn in the accent colour inside its rounded ends, not at the row's edge.
  auto probe = test::PixelProbe::fromPng(written[0]);
  ASSERT_TRUE(probe);
  const ui::Rect list_ = list->frame();
  const double secondRowMidY = list_.maxY() - 32 - 16;
  const ui::Color accent = colorOf("accentColor");
  const test::Pixel inside = probe->at({list_.minX() + 12, secondRowMidY});
  EXPECT_NEAR(inside.r, accent.red * 255, 3);
  EXPECT_NEAR(inside.b, accent.blue * 255, 3);
  EXPECT_NE(probe->at({list_.minX() + 5, secondRowMidY}), inside);
}

// An image row shows its decoded picture; one whose picture is still being decoded shows where it will be.
TEST_F(RecordListGallery, ImageRowsShowAPlaceholderUntilTheirPictureIsDecoded) {
  test::DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  test::TempDir dir("vl-image-rows");
  auto picture = [&](const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 64 * 48; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
    const std::string path = dir.path() + "/" + name;
    EXPECT_TRUE(files::atomicWrite(path, *ImageCodec::encodePNG(ui::Image({64, 48}, 64, 48, rgba))));
    return path;
  };
  const std::string shown = picture("sunset.png", 0xF9, 0x73, 0x16);
  const std::string pending = picture("harbour.png", 0x25, 0x63, 0xEB);
  auto window = VLWindow::create({60, 60, 352, 120}, ui::WindowStyle::Titled);
  setBackgroundColorAssetKey(*window, "classicBackgroundColor");
  auto list = HintTable2::create(HintTableHooks{});
  list->setFrame({0, 8, 352, 80});
  window->contentView()->addSubview(list);
  auto rows = [&](bool both) {
    std::vector<std::shared_ptr<DisplayAttributedString>> out = {
        found("sunset.png", "", Json{{"image", shown}, {"custom_view", "FileView"}})};
    if (both) out.push_back(found("harbour.png", "", Json{{"image", pending}, {"custom_view", "FileView"}}));
    return out;
  };
  list->refreshDataSource(rows(false), false);
  list->reload();
  ImageViewLoading::waitForPendingDecodes();
  dispatch::MainLoop::runUntilIdle();
  // The second picture's decode is held back, as a slow disk would.
  auto queue = dispatch::Queue::serial("test.image-decode");
  ImageViewLoading::setDecodeQueueForTesting(queue);
  std::promise<void> gate;
  queue->async([future = gate.get_future().share()] { future.wait(); });
  list->refreshDataSource(rows(true), false);
  list->reload();
  dispatch::MainLoop::runUntilIdle();

  const std::vector<std::string> written = test::writeGallery(*window, "record-list-images");
  gate.set_value();
  ImageViewLoading::waitForPendingDecodes();
  ImageViewLoading::setDecodeQueueForTesting(nullptr);
  ASSERT_EQ(written.size(), 2u);
  auto probe = test::PixelProbe::fromPng(written[0]);
  ASSERT_TRUE(probe);
  const ui::Rect frame = list->frame();
  // Icons sit 15 points in, 7 points under each row's top.
  const test::Pixel first = probe->at({frame.minX() + 24, frame.maxY() - 16});
  EXPECT_NEAR(first.r, 0xF9, 8);
  EXPECT_NEAR(first.b, 0x16, 8);
  const test::Pixel placeholder = probe->at({frame.minX() + 24, frame.maxY() - 48});
  EXPECT_NE(placeholder, probe->at({frame.minX() + 5, frame.maxY() - 48}));
  EXPECT_GT(std::abs(int(placeholder.r) - 0x25), 40);  // not the picture yet
}

}  // namespace
}  // namespace vl
