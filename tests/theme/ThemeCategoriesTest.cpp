#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/view/Layer.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Window.h"
#include "theme/ColorHelper.h"
#include "theme/ThemeTestSupport.h"
#include "theme/VLThemeCategories.h"

namespace vl {
namespace {

using ui::Color;

const Color kAlphaLight = Color::whiteColor();    // alpha's "pair" by day
const Color kAlphaDark = Color::black();          // and by night
const Color kBetaLight = Color::rgb24(0xDDDDDD);  // beta's "pair"

class ThemeCategoriesTest : public vl::test::ThemeFixture {
 protected:
  void SetUp() override {
    ThemeFixture::SetUp();
    manager().setActiveTheme("alpha");
  }
};

// A themed view of the application: counts its re-apply calls and keeps the view behaviour.
class CountingView : public VLThemed<ui::View> {
 public:
  using VLThemed::VLThemed;
  int changes = 0;
  void lightOrDarkChanged() override {
    ++changes;
    VLThemed::lightOrDarkChanged();
  }
};

// Following a theme and the mode through a key is covered with the controls; here, what clearing does.
TEST_F(ThemeCategoriesTest, LayerKeysClearAndStayClearedThroughLaterChanges) {
  auto layer = ui::Layer::create();
  setBackgroundColorAssetKey(*layer, "copyOfPair");
  setBorderColorAssetKey(*layer, "white");
  ui::SystemAppearance::shared().setDark(true);
  manager().setActiveTheme("beta");
  EXPECT_EQ(layer->borderColor(), Color::rgb24(0xF5F5F5));
  EXPECT_EQ(layer->backgroundColor(), std::nullopt);  // beta lacks the key

  setBorderColorAssetKey(*layer, std::nullopt);
  EXPECT_EQ(layer->borderColor(), std::nullopt);
  ui::SystemAppearance::shared().setDark(false);
  manager().setActiveTheme("alpha");
  EXPECT_EQ(layer->borderColor(), std::nullopt);
  EXPECT_EQ(layer->backgroundColor(), kAlphaLight);
}

TEST_F(ThemeCategoriesTest, ModeChangeAloneWaitsForTheReapplyHook) {
  auto layer = ui::Layer::create();
  setBackgroundColorAssetKey(*layer, "pair");
  manager().setAppearanceMode(1);  // the manager's mode, without a notification
  EXPECT_EQ(layer->backgroundColor(), kAlphaLight);
  lightOrDarkChanged(*layer);
  EXPECT_EQ(layer->backgroundColor(), kAlphaDark);
}

TEST_F(ThemeCategoriesTest, WindowBackgroundAndTitlebarHeight) {
  auto window = ui::Window::create({{100, 100}, {400, 300}}, ui::WindowStyle::Titled);
  setBackgroundColorAssetKey(*window, "pair");
  EXPECT_EQ(window->backgroundColor(), kAlphaLight);
  manager().setActiveTheme("beta");
  EXPECT_EQ(window->backgroundColor(), kBetaLight);
  setBackgroundColorAssetKey(*window, "noSuchKey");
  EXPECT_EQ(window->backgroundColor(), Color::clear());

  EXPECT_GT(titlebarHeight(*window), 0);
  auto borderless = ui::Window::create({{0, 0}, {100, 100}}, ui::WindowStyle::Borderless);
  EXPECT_DOUBLE_EQ(titlebarHeight(*borderless), 0);
}

TEST_F(ThemeCategoriesTest, PlainViewIsMarkedForRedisplayOnEveryChange) {
  auto view = ui::View::create({{0, 0}, {50, 50}});
  view->setNeedsDisplay(false);
  setBackgroundColorAssetKey(*view, "pair");
  EXPECT_TRUE(view->needsDisplay());
  view->setNeedsDisplay(false);
  manager().setActiveTheme("beta");
  EXPECT_TRUE(view->needsDisplay());
  view->setNeedsDisplay(false);
  ui::SystemAppearance::shared().setDark(true);
  EXPECT_TRUE(view->needsDisplay());
}

TEST_F(ThemeCategoriesTest, ThemedObjectsSubscribeOnceAndLeaveNoObserverBehind) {
  const std::size_t themeObserversBefore = NotificationCenter::defaultCenter().observerCount();
  const std::size_t systemObserversBefore = ui::SystemAppearance::shared().center().observerCount();
  {
    auto view = std::make_shared<CountingView>(ui::Rect{{0, 0}, {10, 10}});
    EXPECT_FALSE(view->isSubscribedToTheme());
    // A key set through the view category subscribes the themed view itself, not the key store.
    setBackgroundColorAssetKey(*view, "pair");
    EXPECT_TRUE(view->isSubscribedToTheme());
    view->themeManager().nothing();
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(), themeObserversBefore + 1);
    EXPECT_EQ(ui::SystemAppearance::shared().center().observerCount(), systemObserversBefore + 2);

    manager().setActiveTheme("beta");
    EXPECT_EQ(view->changes, 1);
    view->setNeedsDisplay(false);
    ui::SystemAppearance::shared().setDark(true);
    EXPECT_EQ(view->changes, 2);
    EXPECT_EQ(manager().appearanceMode(), 1);
    EXPECT_TRUE(view->needsDisplay());
    ui::SystemAppearance::shared().announceAutomaticSwitching();
    EXPECT_EQ(view->changes, 3);
  }
  EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(), themeObserversBefore);
  EXPECT_EQ(ui::SystemAppearance::shared().center().observerCount(), systemObserversBefore);
  // Changes after the view is gone reach nobody.
  manager().setActiveTheme("alpha");
}

TEST_F(ThemeCategoriesTest, ObjectNotHeldBySharedPtrIsColouredOnceAndNotFollowed) {
  vl::test::LogCapture log;
  ui::Layer layer;
  setBackgroundColorAssetKey(layer, "pair");
  EXPECT_EQ(layer.backgroundColor(), kAlphaLight);
  EXPECT_EQ(backgroundColorAssetKey(layer), std::nullopt);
  EXPECT_TRUE(vl::test::LogCapture::contains("not held by a shared_ptr"));
  manager().setActiveTheme("beta");
  EXPECT_EQ(layer.backgroundColor(), kAlphaLight);
}

TEST(ColorHelper, SixOrEightHexDigitsOnly) {
  struct HexCase {
    const char* text;
    std::optional<Color> expected;
  };
  const std::vector<HexCase> cases = {
      {"FF0000", Color::rgba(1, 0, 0, 1)},
      {"ff0000", Color::rgba(1, 0, 0, 1)},
      {"FF000080", Color::rgba(1, 0, 0, 128 / 255.0)},
      {"#FF0000", std::nullopt},
      {"F00", std::nullopt},
      {"", std::nullopt},
      {"zzzzzz", Color::rgba(0, 0, 0, 1)},
      {"12zzzz", Color::rgb24(0x000012)},
  };
  for (const HexCase& c : cases) {
    EXPECT_EQ(ColorHelper::colorFromString(c.text), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace vl
