#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "platform/system/paint/CairoPainter.h"
#include "platform/system/paint/PangoTextEngine.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/text/TextMetrics.h"
#include "support/Gallery.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

using test::Pixel;
using test::PixelProbe;
using ui::Color;
using ui::DrawCommand;
using ui::GraphicsContext;
using ui::Rect;

constexpr Pixel kRed{255, 0, 0, 255};
constexpr Pixel kBlue{0, 0, 255, 255};
constexpr Pixel kWhite{255, 255, 255, 255};
constexpr Pixel kNone{};

// An ARGB surface of w x h points to paint display lists into.
class Canvas {
 public:
  Canvas(double w, double h, double scale = 1)
      : height_(h),
        scale_(scale),
        surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(w * scale), int(h * scale))) {}
  ~Canvas() { cairo_surface_destroy(surface_); }

  PixelProbe paint(const ui::DisplayList& list, std::optional<Rect> dirty = std::nullopt) {
    cairo_t* cr = cairo_create(surface_);
    paint::PaintOptions options;
    options.scale = scale_;
    options.height = height_;
    options.dirty = dirty;
    paint::paintDisplayList(cr, list, options);
    EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);
    cairo_destroy(cr);
    return PixelProbe::fromSurface(surface_, scale_);
  }

 private:
  double height_;
  double scale_;
  cairo_surface_t* surface_;
};

template <typename Draw>
ui::DisplayList record(Draw draw) {
  ui::DisplayList list;
  GraphicsContext ctx(list);
  draw(ctx);
  return list;
}

bool near(const Pixel& p, const Pixel& q, int tolerance = 3) {
  return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance &&
         std::abs(p.b - q.b) <= tolerance && std::abs(p.a - q.a) <= tolerance;
}

int brightness(const Pixel& p) { return (p.r + p.g + p.b) / 3; }

TEST(CairoPainterTest, RectsLandWhereTheirTransformPutsThemAtEveryScale) {
  struct Case {
    ui::Transform toWindow;
    ui::Point inside, outside;
  };
  // A rect at (10, 10) of 20 x 20 in its view: unflipped it sits near the bottom, in a flipped view of a
  // 100-point window near the top; a mirrored or translated one elsewhere.
  const Case cases[] = {
      {{0, 0, 1}, {20, 15}, {20, 35}},
      {{0, 100, -1}, {20, 85}, {20, 15}},
      {{50, 20, 1}, {65, 35}, {20, 15}},
  };
  for (double scale : {1.0, 2.0}) {
    for (const auto& c : cases) {
      Canvas canvas(100, 100, scale);
      auto list = record([&](GraphicsContext& ctx) {
        ctx.concat(c.toWindow);
        ctx.fillRect({10, 10, 20, 20}, Color::rgba(1, 0, 0));
      });
      PixelProbe probe = canvas.paint(list);
      EXPECT_EQ(probe.at(c.inside), kRed) << "scale " << scale << " ty " << c.toWindow.ty;
      EXPECT_EQ(probe.at(c.outside), kNone) << "scale " << scale << " ty " << c.toWindow.ty;
    }
  }
}

TEST(CairoPainterTest, ClipsPathsAlphaAndStrokesArePainted) {
  Canvas canvas(100, 100);
  auto list = record([](GraphicsContext& ctx) {
    ctx.pushClip(ui::BezierPath::rect({0, 0, 50, 100}));
    ctx.fillRect({0, 0, 100, 50}, Color::rgba(1, 0, 0));
    ctx.popClip();
    ctx.fillPath(ui::BezierPath::oval({60, 60, 30, 30}), Color::rgba(0, 0, 1));
    ctx.save();
    ctx.multiplyAlpha(0.5);
    ctx.fillRect({0, 80, 20, 20}, Color::rgba(0, 0, 1));
    ctx.restore();
    ui::BezierPath line;
    line.moveTo({0, 70});
    line.lineTo({40, 70});
    line.setLineWidth(4);
    ctx.strokePath(line, Color::rgba(1, 0, 0));
  });
  PixelProbe p = canvas.paint(list);
  EXPECT_EQ(p.at({25, 25}), kRed);
  EXPECT_EQ(p.at({75, 25}), kNone) << "outside the clip";
  EXPECT_EQ(p.at({75, 75}), kBlue) << "after the clip ended";
  EXPECT_EQ(p.at({61, 61}), kNone) << "an oval's corner stays empty";
  EXPECT_NEAR(p.at({10, 90}).a, 128, 2);
  EXPECT_EQ(p.at({20, 71}), kRed);
  EXPECT_EQ(p.at({20, 74}), kNone) << "the stroke is 4 points wide";
}

TEST(CairoPainterTest, GradientsRunAlongTheirAngle) {
  struct Case {
    double angle;
    ui::Point dark, light;
  };
  // Angles turn counter-clockwise from left-to-right in the window's y-up terms.
  const Case cases[] = {{0, {2, 50}, {98, 50}}, {90, {50, 2}, {50, 98}}, {180, {98, 50}, {2, 50}}};
  for (const auto& c : cases) {
    Canvas canvas(100, 100);
    auto list = record([&](GraphicsContext& ctx) {
      ctx.fillGradient(ui::Gradient({Color::black(), Color::whiteColor()}), {0, 0, 100, 100}, c.angle);
    });
    PixelProbe p = canvas.paint(list);
    EXPECT_LT(brightness(p.at(c.dark)), 12) << c.angle;
    EXPECT_GT(brightness(p.at(c.light)), 243) << c.angle;
    EXPECT_NEAR(brightness(p.at({50, 50})), 128, 8) << c.angle;
  }
}

TEST(CairoPainterTest, ImagesAreDrawnUprightWithTheirOperationAndFraction) {
  // Two rows: red on top, blue below.
  std::vector<std::uint8_t> rgba = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255};
  auto image = std::make_shared<ui::Image>(ui::Size{2, 2}, 2, 2, rgba, "two rows");
  auto clear = std::make_shared<ui::Image>(ui::Size{1, 1}, 1, 1, std::vector<std::uint8_t>{0, 0, 0, 0});
  Canvas canvas(100, 100);
  auto list = record([&](GraphicsContext& ctx) {
    ctx.fillRect({0, 0, 100, 100}, Color::whiteColor());
    ctx.drawImage(image, {0, 0, 40, 40});
    ctx.drawImage(image, {50, 0, 40, 40}, ui::CompositingOperation::SourceOver, 0.5);
    ctx.drawImage(clear, {0, 60, 20, 20}, ui::CompositingOperation::Copy);
  });
  PixelProbe p = canvas.paint(list);
  EXPECT_EQ(p.at({20, 35}), kRed);
  EXPECT_EQ(p.at({20, 5}), kBlue);
  EXPECT_TRUE(near(p.at({70, 35}), {255, 128, 128, 255})) << "half of red over white";
  EXPECT_EQ(p.at({10, 70}), kNone) << "copy replaces what lies under the image";
  EXPECT_EQ(p.at({30, 70}), kWhite) << "and nothing outside its rect";
}

// A tint fills the image's shape only: a ring tinted red leaves the white under its hole and corners.
TEST(CairoPainterTest, TintShowsThroughTheImageShapeOnly) {
  std::vector<std::uint8_t> rgba(10 * 10 * 4, 0);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const double d = std::hypot(x - 4.5, y - 4.5);
      if (d > 2 && d < 4.5) rgba[static_cast<std::size_t>(y * 10 + x) * 4 + 3] = 255;
    }
  }
  auto ring = std::make_shared<ui::Image>(ui::Size{10, 10}, 10, 10, rgba, "ring");
  Canvas canvas(100, 100);
  auto list = record([&](GraphicsContext& ctx) {
    ctx.fillRect({0, 0, 100, 100}, Color::whiteColor());
    DrawCommand tint;
    tint.kind = DrawCommand::Kind::FillRect;
    tint.rect = {0, 0, 100, 100};
    tint.color = Color::rgba(1, 0, 0, 1);
    tint.image = ring;
    tint.operation = ui::CompositingOperation::SourceIn;
    ctx.record(tint);
  });
  PixelProbe p = canvas.paint(list);
  EXPECT_EQ(p.at({50, 85}), kRed) << "on the ring";
  EXPECT_EQ(p.at({50, 50}), kWhite) << "its hole";
  EXPECT_EQ(p.at({3, 3}), kWhite) << "its corner";
}

TEST(CairoPainterTest, ShadowIsBlurredOffsetAndDarkestUnderTheShape) {
  Canvas canvas(100, 100);
  auto list = record([](GraphicsContext& ctx) {
    ctx.fillRect({0, 0, 100, 100}, Color::whiteColor());
    DrawCommand shadow;
    shadow.kind = DrawCommand::Kind::Shadow;
    shadow.path = ui::BezierPath::rect({30, 40, 40, 40});
    shadow.color = Color::black();
    shadow.offset = {0, -10};
    shadow.radius = 8;
    shadow.alpha = 0.8;
    ctx.record(shadow);
  });
  PixelProbe p = canvas.paint(list);
  const int under = brightness(p.at({50, 45}));
  EXPECT_NEAR(under, 255 * 0.2, 6) << "full opacity well inside the moved shape";
  EXPECT_LT(brightness(p.at({50, 31})), 230) << "the blur spreads below the moved shape";
  EXPECT_GT(brightness(p.at({50, 31})), under);
  EXPECT_GT(brightness(p.at({50, 77})), under) << "softer at the top, which the offset moved down";
  EXPECT_EQ(p.at({50, 5}), kWhite);
  EXPECT_EQ(p.at({5, 95}), kWhite);

  // A shadow far larger than the picture is blurred only where it shows.
  Canvas small(20, 20);
  PixelProbe huge = small.paint(record([](GraphicsContext& ctx) {
    DrawCommand shadow;
    shadow.kind = DrawCommand::Kind::Shadow;
    shadow.path = ui::BezierPath::rect({-1e7, -1e7, 2e7, 2e7});
    shadow.color = Color::black();
    shadow.radius = 50;
    ctx.record(shadow);
  }));
  EXPECT_EQ(huge.at({10, 10}), (Pixel{0, 0, 0, 255}));
}

TEST(CairoPainterTest, DirtyRectRepaintsOnlyWhatItCovers) {
  Canvas canvas(100, 100);
  canvas.paint(record([](GraphicsContext& ctx) { ctx.fillRect({0, 0, 100, 100}, Color::rgba(1, 0, 0)); }));
  PixelProbe p = canvas.paint(record([](GraphicsContext& ctx) {
                                ctx.fillRect({0, 0, 100, 100}, Color::rgba(0, 0, 1));
                              }),
                              Rect{0, 0, 50, 50});
  EXPECT_EQ(p.at({25, 25}), kBlue);
  EXPECT_EQ(p.at({49.5, 49.5}), kBlue);
  EXPECT_EQ(p.at({50.5, 25}), kRed);
  EXPECT_EQ(p.at({75, 75}), kRed);
  // A repaint clears its area first, so a translucent step does not pile up on the last frame's.
  p = canvas.paint(record([](GraphicsContext& ctx) {
                     ctx.fillRect({0, 0, 100, 100}, Color::rgba(0, 0, 1, 0.5));
                   }),
                   Rect{0, 0, 50, 50});
  EXPECT_NEAR(p.at({25, 25}).a, 128, 2);
  EXPECT_EQ(p.at({75, 75}), kRed);
}

TEST(CairoPainterTest, TextInkStaysInsideItsRectAndUnderlines) {
  test::DesktopPaintingScope painting;
  const ui::Font font = ui::Font::systemFont(20);
  const std::string text = "Clipboard gyp";
  const double width = ui::TextMetrics::widthOfString(text, font);
  const Rect rect{10, 40, width, font.lineHeight()};
  for (auto underline : {ui::UnderlineStyle::None, ui::UnderlineStyle::Single}) {
    Canvas canvas(300, 100);
    PixelProbe p = canvas.paint(
        record([&](GraphicsContext& ctx) { ctx.drawText(text, rect, font, Color::black(), underline); }));
    EXPECT_GT(p.inkIn(rect).count, 200);
    EXPECT_EQ(p.inkIn({0, 0, 300, 100}).count, p.inkIn(rect.insetBy(-1, -1)).count) << "ink outside the rect";
    // An underline draws across the gap between the words, below the baseline.
    const double gapX = 10 + ui::TextMetrics::widthOfString("Clipboard ", font) - 2;
    const Rect belowBaseline{gapX, rect.minY(), 1, font.descender()};
    EXPECT_EQ(p.inkIn(belowBaseline).count > 0, underline != ui::UnderlineStyle::None);
  }
}

TEST(CairoPainterTest, MeasuredWidthIsThePaintedWidthAtBothScales) {
  test::DesktopPaintingScope painting;
  for (const ui::Font& font :
       {ui::Font::systemFont(13), ui::Font::boldSystemFont(18), ui::Font("monospace", 15)}) {
    for (const std::string text :
         {"Vellisto keeps every copy", "MMMM iiii 0123", "\xE6\x96\x87\xE5\xAD\x97 ok"}) {
      const double width = ui::TextMetrics::widthOfString(text, font);
      for (double scale : {1.0, 2.0}) {
        Canvas canvas(400, 60, scale);
        PixelProbe p = canvas.paint(record([&](GraphicsContext& ctx) {
          ctx.drawText(text, {20, 20, width, font.lineHeight()}, font, Color::black());
        }));
        PixelProbe::Ink ink = p.inkIn({0, 0, 400, 60}, kNone, 40);
        ASSERT_GE(ink.left, 0) << text;
        // Ink sits inside the advance box up to the side bearings of the first and last glyphs.
        const double right = (ink.right + 1) / scale;
        EXPECT_NEAR(ink.left / scale, 20, font.pointSize() * 0.15) << text << " " << font.description();
        EXPECT_NEAR(right, 20 + width, font.pointSize() * 0.15)
            << text << " " << font.description() << " x" << scale;
      }
    }
  }
}

TEST(CairoPainterTest, ShapedTruncationAndWrappingStayWithinTheirWidth) {
  test::DesktopPaintingScope painting;
  const ui::Font font = ui::Font::systemFont(13);
  std::string longText;
  for (int i = 0; i < 400; ++i) longText += "clipboard\nrecord ";
  for (double width : {0.0, 5.0, 60.0, 140.0}) {
    const std::string cut = ui::TextMetrics::truncateTail(longText, font, width);
    EXPECT_LE(ui::TextMetrics::widthOfString(cut, font), width + 1e-9) << width;
    EXPECT_EQ(cut.find('\n'), std::string::npos);
    if (!cut.empty()) {
      EXPECT_EQ(cut.substr(cut.size() - 3), "\xE2\x80\xA6");
    }
  }
  EXPECT_EQ(ui::TextMetrics::truncateTail("short", font, 200), "short");
  ui::TextLayout layout(longText.substr(0, 300), font, 140);
  EXPECT_GT(layout.lineCount(), 10u);
  for (const auto& line : layout.lines()) EXPECT_LE(line.width, 140 + 1e-9);
}

TEST(CairoPainterTest, TextMeasuresHeadlessAgainOnceDesktopPaintingIsGone) {
  const ui::Font font = ui::Font::systemFont(10);
  const double headless = ui::TextMetrics::widthOfString("mi", font);
  EXPECT_DOUBLE_EQ(headless, 10 * (0.85 + 0.3));
  {
    test::DesktopPaintingScope painting;
    EXPECT_NE(ui::TextMetrics::widthOfString("mi", font), headless);
    EXPECT_NE(font.lineHeight(), 10 * 1.25);
  }
  EXPECT_DOUBLE_EQ(ui::TextMetrics::widthOfString("mi", font), headless);
  EXPECT_DOUBLE_EQ(font.lineHeight(), 10 * 1.25);
}

TEST(CairoPainterTest, BadStepsAreLeftOutAndTheRestIsPainted) {
  test::LogCapture log;
  test::DesktopPaintingScope painting;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Canvas canvas(100, 100);
  auto list = record([&](GraphicsContext& ctx) {
    ctx.fillRect({nan, 0, 10, 10}, Color::rgba(0, 0, 1));
    ctx.fillRect({0, 0, 0, 50}, Color::rgba(0, 0, 1));
    ctx.fillRect({90, 90, -20, -20}, Color::rgba(1, 0, 0));  // a negative size counts as its magnitude
    ui::BezierPath bad = ui::BezierPath::rect({0, 0, 10, 10});
    bad.lineTo({nan, 1});
    ctx.pushClip(bad);
    ctx.fillRect({0, 0, 100, 10}, Color::rgba(0, 0, 1));
    ctx.popClip();
    ctx.popClip();
    ctx.fillGradient(ui::Gradient(), {0, 0, 100, 100});
    ctx.drawText("missing family", {0, 20, 100, 20}, ui::Font("No Such Family Anywhere", 14), Color::black());
  });
  PixelProbe p = canvas.paint(list);
  EXPECT_EQ(p.at({80, 80}), kRed);
  EXPECT_EQ(p.at({50, 5}), kBlue) << "a step after an unusable clip is still painted";
  EXPECT_GT(p.inkIn({0, 20, 100, 20}).count, 50) << "text of a missing family falls back";
  EXPECT_TRUE(log.contains("no font family \"No Such Family Anywhere\""));
  EXPECT_TRUE(log.contains("paint: 2 drawing steps with coordinates that are not numbers left out"));
  EXPECT_TRUE(log.contains("paint: 1 clip ends without a clip left out"));
  // The family is looked up once.
  canvas.paint(list);
  const auto lines = log.take();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("no font family") != std::string::npos; }),
            1);
}

}  // namespace
}  // namespace vl
