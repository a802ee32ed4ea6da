#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "Windows/Main/RecordViewTestSupport.h"
#include "Windows/Main/detail/DetailView.h"
#include "Windows/Main/detail/ReadableColours.h"
#include "Windows/Main/preview/FileView.h"
#include "Windows/Main/preview/PreviewView2.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/system/desktop/ThemeIconProvider.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/EventDriver.h"
#include "platform/ui/view/SystemColors.h"
#include "support/Gallery.h"
#include "support/TextContrast.h"
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

using FileDetailGallery = test::RecordViewTest;

TEST_F(FileDetailGallery, FileAndImagePreviews) {
  test::DesktopPaintingScope painting;
  // An icon theme of the test's own: the machine's themes are not ours to depend on.
  test::ScopedEnv env;
  env.set("XDG_DATA_HOME", home_ / "data");
  const std::string theme = home_ / "data/icons/Gallery";
  std::filesystem::create_directories(theme + "/scalable/mimetypes");
  std::ofstream(theme + "/index.theme")
      << "[Icon Theme]\nName=Gallery\nDirectories=scalable/mimetypes\n\n"
         "[scalable/mimetypes]\nSize=64\nMinSize=8\nMaxSize=512\nType=Scalable\n";
  for (const char* name :
       {"application-pdf", "x-office-document", "text-x-generic", "application-x-generic"}) {
    std::ofstream(theme + "/scalable/mimetypes/" + name + ".svg")
        << "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'>"
           "<rect x='8' y='4' width='48' height='56' fill='#c0392b'/></svg>";
  }
  IconProvider::install(std::make_shared<ThemeIconProvider>());
  IconProvider::setPreferredThemeName("Gallery");
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

// The colour the typed words' strokes show on screen in `field` (window points): the median, by contrast,
// of the pixels that differ from the field's background, with that background.
struct Strokes {
  ui::Color ink;
  ui::Color paper;
  double ratio() const { return ui::SystemColors::contrastRatio(ink, paper); }
};
Strokes strokesIn(const test::PixelProbe& probe, const ui::Rect& field) {
  auto colour = [](const test::Pixel& p) { return ui::Color::rgba(p.r / 255.0, p.g / 255.0, p.b / 255.0); };
  std::map<std::tuple<int, int, int>, int> counts;
  std::vector<test::Pixel> pixels;
  for (double y = field.minY() + 0.5; y < field.maxY(); ++y) {
    for (double x = field.minX() + 0.5; x < field.maxX(); ++x) {
      const test::Pixel p = probe.at({x, y});
      pixels.push_back(p);
      ++counts[{p.r, p.g, p.b}];
    }
  }
  const auto most = std::max_element(counts.begin(), counts.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
  const test::Pixel paper{std::get<0>(most->first), std::get<1>(most->first), std::get<2>(most->first), 255};
  std::vector<double> ratios;
  std::vector<test::Pixel> ink;
  for (const test::Pixel& p : pixels) {
    if (std::max({std::abs(p.r - paper.r), std::abs(p.g - paper.g), std::abs(p.b - paper.b)}) > 32)
      ink.push_back(p);
  }
  if (ink.empty()) return {colour(paper), colour(paper)};
  std::sort(ink.begin(), ink.end(), [&](const test::Pixel& a, const test::Pixel& b) {
    return ui::SystemColors::contrastRatio(colour(a), colour(paper)) <
           ui::SystemColors::contrastRatio(colour(b), colour(paper));
  });
  return {colour(ink[ink.size() / 2]), colour(paper)};
}

// Rich text and HTML records in the detail view, light and dark. Their own colours stay where they read
// on the view's background; those that would not (a light page's dark text on the dark view, a white
// marker under the dark view's light text) give way to the theme's. The words typed into the find field
// read as well as the text does.
TEST_F(FileDetailGallery, RichTextAndHtmlDetails) {
  test::DesktopPaintingScope painting;
  struct Case {
    const char* name;
    Json json;
    const char* find;
    // Runs whose own colour reads in both looks and is kept.
    std::vector<std::pair<std::string, ui::Color>> kept;
  };
  const Case cases[] = {
      {"detail-rich-text",
       Json{{"rich_text", fixture("word-processor.rtf")}},
       nullptr,
       {{"Red title", ui::Color::rgb24(0xff0000)}}},
      {"detail-html", Json{{"html", fixture("browser-selection.html")}}, "kb", {}},
      {"detail-html-colours",
       Json{{"html", fixture("page-colours.html")}},
       nullptr,
       {{"a dark badge", ui::Color::rgb24(0xe8eaed)}, {"a red warning", ui::Color::rgb24(0xea4335)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto window = VLWindow::create({60, 60, 680, 420}, ui::WindowStyle::Titled);
    window->makeKeyAndOrderFront();
    auto detail = DetailView::create({0, 0, 680, 0});
    detail->show(window->contentView());
    dispatch::MainLoop::advance(400);
    detail->showRecord(ui::AttributedString("plain"), c.json);
    if (c.find) {
      detail->showFind();
      dispatch::MainLoop::advance(400);
      ui::EventDriver().typeText(c.find);
      dispatch::MainLoop::advance(400);
      detail->findNext(true);
    }
    const auto written = test::writeGallery(*window, c.name);
    ASSERT_EQ(written.size(), 2u);
    for (std::size_t look = 0; look < written.size(); ++look) {
      const bool dark = look == 1;
      SCOPED_TRACE(dark ? "dark" : "light");
      setDark(dark);
      const auto faults = test::textContrastFaults(*window, kRecordColourContrast);
      EXPECT_TRUE(faults.empty()) << test::describe(faults);
      window->display();
      for (const auto& [text, colour] : c.kept) {
        const auto& steps = window->displayList().commands();
        EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [&](const ui::DrawCommand& d) {
          return d.kind == ui::DrawCommand::Kind::DrawText && d.text == text && d.color == colour;
        })) << text;
      }
      if (c.find) {
        const auto& field = detail->findView()->textField();
        ASSERT_EQ(field->stringValue(), c.find);
        // The words' glyphs, up to where the caret stands after them.
        const ui::Rect box = field->convertRectToView(field->bounds(), nullptr);
        const double words = 2 + ui::TextMetrics::widthOfString(c.find, field->font());
        const auto probe = test::PixelProbe::fromPng(written[look]);
        ASSERT_TRUE(probe);
        const Strokes strokes = strokesIn(*probe, {box.minX(), box.minY(), words, box.height()});
        EXPECT_GE(strokes.ratio(), 4.5);
      }
    }
    setDark(false);
  }
}

}  // namespace
}  // namespace vl
