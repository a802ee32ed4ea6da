#include <gtest/gtest.h>

#include "platform/system/x11/X11Settings.h"
#include "platform/system/x11/window/X11Damage.h"
#include "platform/system/x11/window/X11Screens.h"
#include "support/TestSupport.h"

namespace vl::x11 {
namespace {

// XSETTINGS bytes, little-endian, as a settings manager writes them.
class SettingsBytes {
 public:
  explicit SettingsBytes(std::uint32_t count) {
    bytes_ = std::string("\0\0\0\0", 4);
    u32(1);
    u32(count);
  }
  SettingsBytes& integer(const std::string& name, std::int32_t v) {
    head(0, name);
    u32(static_cast<std::uint32_t>(v));
    return *this;
  }
  SettingsBytes& text(const std::string& name, const std::string& v) {
    head(1, name);
    u32(static_cast<std::uint32_t>(v.size()));
    bytes_ += v;
    pad();
    return *this;
  }
  std::string bytes() const { return bytes_; }

 private:
  void head(char type, const std::string& name) {
    bytes_ += type;
    bytes_ += '\0';
    bytes_ += static_cast<char>(name.size() & 0xff);
    bytes_ += static_cast<char>(name.size() >> 8);
    bytes_ += name;
    pad();
    u32(0);
  }
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((v >> (8 * i)) & 0xff);
  }
  void pad() {
    while (bytes_.size() % 4) bytes_ += '\0';
  }
  std::string bytes_;
};

TEST(X11SettingsTest, ReadsFontScaleAndKeepsWhatCameBeforeABadRecord) {
  const std::string good =
      SettingsBytes(2).text("Gtk/FontName", "Cantarell 11").integer("Gdk/WindowScalingFactor", 2).bytes();
  XSettings s = parseXSettings(good);
  EXPECT_EQ(desktopFontName(s), "Cantarell 11");
  EXPECT_EQ(backingScaleFor(s, 96), 2);

  test::LogCapture log;
  struct Case {
    std::string bytes;
    std::size_t settings;
  };
  const Case cases[] = {
      {"", 0},
      {good.substr(0, 10), 0},                                // header cut short
      {good.substr(0, good.size() - 2), 1},                   // second record cut short
      {SettingsBytes(0xffffffff).text("A", "b").bytes(), 1},  // a count no one could hold
      {SettingsBytes(1).bytes() + std::string("\x07\0\x01\0A\0\0\0\0\0\0\0", 12), 0},  // unknown type
      {SettingsBytes(1).bytes() + std::string("\x01\0\xff\xff", 4), 0},  // name longer than the data
  };
  for (const auto& c : cases) EXPECT_EQ(parseXSettings(c.bytes).size(), c.settings);
}

TEST(X11SettingsTest, ScaleFromDpiWhenTheSettingsNameNone) {
  const std::pair<std::string, double> cases[] = {
      {"Xft.dpi:\t96\n", 1},
      {"Xcursor.size: 24\nXft.dpi:\t192\n", 2},
      {"Xft.dpi: 144\n", 1},
      {"Xft.dpi: 168\n", 2},
      {"Xft.dpi: nonsense\n", 1},
      {"Xft.dpi: 1e300\n", 1},
      {"", 1},
  };
  for (const auto& [resources, scale] : cases) {
    EXPECT_EQ(backingScaleFor({}, xftDpiFromResources(resources)), scale) << resources;
  }
}

TEST(X11ScreensTest, PrimaryFirstAtTheOriginAndWorkAreaTrimmed) {
  // A 1920 x 1080 monitor to the right of the primary 1280 x 1024 one, a 24-pixel bar on top of both.
  std::vector<Monitor> monitors{{{1280, 0, 1920, 1080}, false, "right"}, {{0, 0, 1280, 1024}, true, "left"}};
  auto screens = screensFromMonitors(monitors, PixelRect{0, 24, 3200, 1000}, {0, 0, 3200, 1080}, 1);
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_EQ(screens[0].name(), "left");
  EXPECT_EQ(screens[0].frame(), (ui::Rect{0, 0, 1280, 1024}));
  EXPECT_EQ(screens[0].visibleFrame(), (ui::Rect{0, 0, 1280, 1000}));
  EXPECT_EQ(screens[1].frame(), (ui::Rect{1280, -56, 1920, 1080}));
  // A window round-trips through pixels; impossible sizes are bounded.
  ScreenSpace space = screenSpaceFor(monitors, {0, 0, 3200, 1080}, 2);
  EXPECT_EQ(space.toPixels({10, 20, 100, 50}), (PixelRect{20, 1024 - 140, 200, 100}));
  EXPECT_EQ(space.toToolkit(space.toPixels({10, 20, 100, 50})), (ui::Rect{10, 20, 100, 50}));
  EXPECT_EQ(space.toPixels({0, 0, 0, -5}).width, 1);
  EXPECT_EQ(space.toPixels({0, 0, 1e9, 1e9}).height, 32767);
  EXPECT_EQ(screensFromMonitors({}, std::nullopt, {0, 0, 800, 600}, 1).front().frame(),
            (ui::Rect{0, 0, 800, 600}));
}

TEST(X11DamageTest, OnlyTheChangedStepsAreRepainted) {
  auto list = [](ui::Color second, std::size_t extra) {
    ui::DisplayList l;
    ui::GraphicsContext ctx(l);
    ctx.fillRect({0, 0, 100, 100}, ui::Color::white(1));
    ctx.fillRect({10, 10, 20, 20}, second);
    for (std::size_t i = 0; i < extra; ++i) ctx.fillRect({50, 50, 5, 5}, second);
    return l;
  };
  const auto red = ui::Color::rgb24(0xff0000), blue = ui::Color::rgb24(0x0000ff);
  EXPECT_FALSE(damageBetween(list(red, 0), list(red, 0)).any());
  Damage d = damageBetween(list(red, 0), list(blue, 0));
  ASSERT_TRUE(d.rect);
  EXPECT_FALSE(d.whole);
  EXPECT_TRUE(d.rect->contains({20, 20}));
  EXPECT_FALSE(d.rect->contains({60, 60}));
  EXPECT_TRUE(damageBetween(list(red, 0), list(red, 1)).whole);
}

}  // namespace
}  // namespace vl::x11
