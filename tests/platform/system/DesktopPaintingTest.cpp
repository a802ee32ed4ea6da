#include <cairo.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Resources.h"
#include "platform/system/paint/CairoImageLoader.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/graphics/ImageLoader.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/Window.h"
#include "support/Gallery.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

using test::Pixel;
using test::PixelProbe;
using ui::Color;

int brightness(const Pixel& p) { return (p.r + p.g + p.b) / 3; }

// A PNG of w x h pixels in one colour.
void writePng(const std::string& path, int w, int h, double r, double g, double b) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, r, g, b);
  cairo_paint(cr);
  cairo_destroy(cr);
  ASSERT_EQ(cairo_surface_write_to_png(s, path.c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);
}

class DesktopPaintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dispatch::MainLoop::adoptCurrentThread();
    ui::Screen::resetToDefault();
  }
  void TearDown() override {
    dispatch::MainLoop::runUntilIdle();
    ui::Screen::resetToDefault();
  }
};

TEST_F(DesktopPaintingTest, NamedImagesLoadTheDrawingForTheScreensScale) {
  test::TempDir resources;
  test::ScopedEnv env("VELLISTO_RESOURCES", resources.path());
  resetResourceDirectoryForTesting();
  ASSERT_TRUE(files::createDirectories(resources / "images"));
  writePng(resources / "images/dot.png", 4, 4, 1, 0, 0);
  writePng(resources / "images/dot@2x.png", 8, 8, 0, 0, 1);
  writePng(resources / "images/only2x@2x.png", 6, 6, 0, 1, 0);
  test::DesktopPaintingScope painting;
  struct Case {
    double screenScale;
    const char* name;
    int pixels;
    std::uint8_t red;
    double points;
  };
  const Case cases[] = {{1, "dot", 4, 255, 4}, {2, "dot", 8, 0, 4}, {1, "only2x", 6, 0, 3}};
  for (const auto& c : cases) {
    ui::Screen::setScreens({ui::Screen({0, 0, 800, 600}, {0, 0, 800, 600}, c.screenScale)});
    ui::ImageRef image = ui::Image::named(c.name);
    ASSERT_TRUE(image && image->hasPixels()) << c.name << " at " << c.screenScale;
    EXPECT_EQ(image->pixelsWide(), c.pixels);
    EXPECT_EQ(image->pixels()[0], c.red);
    EXPECT_EQ(image->size(), (ui::Size{c.points, c.points}));
  }
  test::LogCapture log;
  EXPECT_EQ(ui::Image::named("absent"), nullptr);
  EXPECT_EQ(ui::Image::named("../dot"), nullptr);
  EXPECT_EQ(log.take().size(), 2u);
  resetResourceDirectoryForTesting();
}

TEST_F(DesktopPaintingTest, FilesThatDoNotDecodeGiveNoPixelsAndALogLine) {
  test::TempDir dir;
  const std::string png("\x89PNG\r\n\x1a\n", 8);
  auto ihdr = [](std::uint32_t w, std::uint32_t h) {
    std::string s("\0\0\0\x0dIHDR", 8);
    for (std::uint32_t v : {w, h}) {
      for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xff);
    }
    return s + std::string("\x08\x06\0\0\0", 5);
  };
  struct Case {
    const char* what;
    std::string bytes;
    const char* logged;
    ui::Size size;
  };
  const Case cases[] = {
      {"text", "not an image at all", "is not a PNG", {}},
      {"empty", "", "is not a PNG", {}},
      {"truncated", png + ihdr(10, 10) + "garbage", "does not decode", {10, 10}},
      {"huge", png + ihdr(1u << 30, 1u << 30), "more than is decoded", {}},
      {"wide", png + ihdr(100000, 1), "more than is decoded", {}},
      {"zero", png + ihdr(0, 5), "more than is decoded", {}},
  };
  paint::CairoImageLoader loader;
  for (const auto& c : cases) {
    test::LogCapture log;
    const std::string path = dir / c.what;
    ASSERT_TRUE(files::atomicWrite(path, c.bytes));
    ui::ImageRef image = loader.load(path, c.what, 1);
    ASSERT_TRUE(image) << c.what;
    EXPECT_FALSE(image->hasPixels()) << c.what;
    EXPECT_EQ(image->size(), c.size) << c.what;
    EXPECT_EQ(log.take().size(), 1u) << c.what;
    EXPECT_TRUE(log.contains(c.logged)) << c.what;
  }
  EXPECT_EQ(loader.load(dir / "missing.png", "missing", 1), nullptr);
}

TEST_F(DesktopPaintingTest, WindowPngKeepsTransparencyAndRefusesWhatItCannotMake) {
  test::TempDir dir;
  test::LogCapture log;
  auto window = ui::Window::create({0, 0, 40, 30}, ui::WindowStyle::Borderless);
  window->setBackgroundColor(Color::clear());
  auto square = ui::View::create({10, 10, 10, 10});
  square->setWantsLayer(true);
  square->layer()->setBackgroundColor(Color::rgba(0, 0, 1));
  window->contentView()->addSubview(square);
  ASSERT_TRUE(paint::writeWindowPng(*window, dir / "w.png", 2));
  auto probe = PixelProbe::fromPng(dir / "w.png", 2);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->heightInPoints(), 30);
  EXPECT_EQ(probe->at({15, 15}), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(probe->at({5, 5}), Pixel{});
  EXPECT_FALSE(paint::writeWindowPng(*window, dir / "no/such/folder/w.png"));
  EXPECT_TRUE(log.contains("cannot write"));
  auto huge = ui::Window::create({0, 0, 1e6, 10}, ui::WindowStyle::Borderless);
  EXPECT_FALSE(paint::writeWindowPng(*huge, dir / "huge.png"));
  EXPECT_TRUE(log.contains("too large"));
}

// The rows of the sample window: a label per row.
class SampleRows : public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  long numberOfRowsInTableView(ui::TableView&) override { return 12; }
  std::shared_ptr<ui::View> tableViewViewForTableColumn(ui::TableView&, ui::TableColumn*, long row) override {
    auto label = ui::TextField::labelWithString("Copied text number " + std::to_string(row + 1) +
                                                (row % 3 == 0 ? " from the terminal" : ""));
    label->setFrame({8, 4, 280, 18});
    label->setTextColor(textColor);
    return label;
  }
  Color textColor = Color::black();
};

TEST_F(DesktopPaintingTest, SampleWindowGalleryInLightAndDark) {
  test::DesktopPaintingScope painting;
  // A clear window holding a rounded, shadowed panel, as the main window is drawn.
  auto window = ui::Window::create({0, 0, 380, 290}, ui::WindowStyle::Borderless);
  window->setBackgroundColor(Color::clear());
  auto panel = ui::View::create({10, 20, 360, 260});
  panel->setWantsLayer(true);
  panel->layer()->setCornerRadius(10);
  panel->layer()->setMasksToBounds(true);
  panel->layer()->setShadowOpacity(0.5);
  panel->layer()->setShadowRadius(8);
  panel->layer()->setShadowOffset({0, -4});
  window->contentView()->addSubview(panel);
  auto button = ui::Button::create({20, 214, 110, 28});
  button->setTitle("Paste");
  auto field = ui::TextField::create({150, 216, 190, 24});
  field->setStringValue("search the clipboard");
  auto rows = std::make_shared<SampleRows>();
  auto scroll = ui::ScrollView::create({20, 20, 320, 180});
  auto table = ui::TableView::create();
  table->addTableColumn(ui::TableColumn::create("text"));
  table->setRowHeight(26);
  table->setDataSource(rows);
  table->setDelegate(rows);
  scroll->setDocumentView(table);
  for (const auto& v : std::initializer_list<std::shared_ptr<ui::View>>{button, field, scroll})
    panel->addSubview(v);
  // Colours follow the appearance, as the themed windows' do.
  auto recolor = [&] {
    const bool dark = ui::SystemAppearance::shared().isDark();
    panel->layer()->setBackgroundColor(dark ? Color::white(0.16) : Color::white(0.96));
    rows->textColor = dark ? Color::white(0.92) : Color::white(0.1);
    table->reloadData();
  };
  Observation observation = ui::SystemAppearance::shared().center().observe(
      ui::SystemAppearance::kThemeChangedNotification, nullptr, [&](const Notification&) { recolor(); });
  recolor();

  const auto files = test::writeGallery(*window, "sample-window", 2);
  ASSERT_EQ(files.size(), 2u);
  auto light = PixelProbe::fromPng(files[0], 2), dark = PixelProbe::fromPng(files[1], 2);
  ASSERT_TRUE(light && dark);
  EXPECT_GT(brightness(light->at({20, 30})), 235);
  EXPECT_LT(brightness(dark->at({20, 30})), 50);
  EXPECT_LT(light->at({11, 279}).a, 30) << "only the shadow's edge shows in the rounded corner";
  EXPECT_EQ(light->at({15, 275}).a, 255);
  EXPECT_GT(light->at({190, 15}).a, 20) << "the shadow shows below the panel";
  // The button's title and the first row's text are drawn where they were laid out.
  const ui::Rect title = button->convertRectToView(button->bounds().insetBy(30, 6), nullptr);
  EXPECT_GT(light->inkIn(title, Pixel{255, 255, 255, 255}, 60).count, 40);
  const ui::Rect firstRow = table->convertRectToView(table->rectOfRow(0), nullptr);
  const Pixel rowBackground = dark->at({firstRow.maxX() - 2, firstRow.midY()});
  EXPECT_GT(dark->inkIn(firstRow, rowBackground, 60).count, 100);
  EXPECT_EQ(
      dark->inkIn({firstRow.maxX() - 20, firstRow.minY(), 18, firstRow.height()}, rowBackground, 60).count,
      0);
}

}  // namespace
}  // namespace vl
