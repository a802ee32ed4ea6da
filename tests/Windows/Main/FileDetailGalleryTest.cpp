#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "Windows/Main/detail/DetailView.h"
#include "Windows/Main/preview/FileView.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "Windows/Main/preview/PreviewView2.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/system/desktop/ThemeIconProvider.h"
#include "support/Gallery.h"
#include "ui/VLWindow.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(VL_TEST_DATA_DIR) + "/richtext/" + name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class FileDetailGallery : public test::WidgetTest {
 protected:
  void SetUp() override {
    test::WidgetTest::SetUp();
    VLEngine::resetForTesting();
    VLEngine::shared().setFolders(home_.path());
    VLEngine::shared().load();
    PreviewColumnHooks::install({});
  }
  void TearDown() override {
    VLEngine::resetForTesting();
    test::WidgetTest::TearDown();
  }
};

TEST_F(FileDetailGallery, FileAndImagePreviews) {
  test::DesktopPaintingScope painting;
  IconProvider::install(std::make_shared<ThemeIconProvider>());
  IconProvider::setPreferredThemeName("Adwaita");
  const std::string pdf = home_ / "quarterly-report-with-a-rather-long-name.pdf";
  std::ofstream(pdf) << std::string(48 * 1024, 'x');
  // A sunset-like gradient, wider than the preview so it is fitted.
  const int w = 640, h = 400;
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(255 - y / 3), static_cast<std::uint8_t>(90 + x / 6),
                               static_cast<std::uint8_t>(60 + y / 3), 255});
  const std::string picture = home_ / "sunset.png";
  std::ofstream(picture, std::ios::binary) << *ImageCodec::encodePNG(ui::Image({640, 400}, w, h, rgba));

  struct Case {
    const char* name;
    std::string text;
    Json json;
  };
  for (const Case& c :
       {Case{"file-preview-file", pdf, Json{{"file", pdf}, {"custom_view", "FileView"}}},
        Case{"file-preview-image", picture, Json{{"image", picture}, {"custom_view", "FileView"}}}}) {
    auto window =
        VLWindow::create({60, 60, PreviewView2::kWidth, PreviewView2::kHeight}, ui::WindowStyle::Titled);
    auto preview = PreviewView2::create();
    window->contentView()->addSubview(preview);
    VLEngine::shared().append(c.text, std::nullopt, c.json, kClipboardPinTabId);
    preview->alternateView("FileView", c.text, c.json);
    ImageViewLoading::waitForPendingDecodes();
    dispatch::MainLoop::runUntilIdle();
    auto view = std::dynamic_pointer_cast<FileView>(preview->documentView());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->shows(), FileView::Shows::Icon) << c.name;
    const auto written = test::writeGallery(*window, c.name);
    ASSERT_EQ(written.size(), 2u);
    auto probe = test::PixelProbe::fromPng(written[0]);
    ASSERT_TRUE(probe);
    // The picture or icon is painted where it was laid out.
    const ui::Rect icon = view->fileIcon()->frame();
    EXPECT_GT(probe->inkIn(icon.insetBy(icon.width() / 4, icon.height() / 4), probe->at({2, 2}), 8).count, 0)
        << c.name;
  }
  IconProvider::setPreferredThemeName("");
  IconProvider::install(nullptr);
}

TEST_F(FileDetailGallery, RichTextAndHtmlDetails) {
  test::DesktopPaintingScope painting;
  struct Case {
    const char* name;
    Json json;
    const char* find;
  };
  for (const Case& c : {Case{"detail-rich-text", Json{{"rich_text", fixture("word-processor.rtf")}}, nullptr},
                        Case{"detail-html", Json{{"html", fixture("browser-selection.html")}}, "kb"}}) {
    auto window = VLWindow::create({60, 60, 680, 420}, ui::WindowStyle::Titled);
    auto detail = DetailView::create({0, 0, 680, 0});
    detail->show(window->contentView());
    dispatch::MainLoop::advance(400);
    detail->showRecord(ui::AttributedString("plain"), c.json);
    if (c.find) {
      detail->showFind();
      detail->findView()->textField()->setStringValue(c.find);
      detail->shouldFindText(c.find);
      detail->findNext(true);
      dispatch::MainLoop::advance(400);
    }
    EXPECT_EQ(test::writeGallery(*window, c.name).size(), 2u) << c.name;
  }
}

}  // namespace
}  // namespace vl
