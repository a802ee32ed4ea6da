#include <gtest/gtest.h>

#include "Windows/Main/WindowsTestSupport.h"

namespace vl::test {
namespace {

using ui::Point;
using ui::Rect;

class AppFrameTest : public WindowsTest {};

// The main window is 680 x 500 here; it opens centred on the screen last clicked.
TEST_F(AppFrameTest, MainWindowOpensCentredOnTheClickedScreen) {
  const Rect main{0, 0, 1440, 900};
  const Rect right{1440, 0, 1920, 1080};
  const Rect left{-1280, 200, 1280, 720};
  const Rect above{0, 900, 1024, 768};
  struct Case {
    const char* name;
    std::vector<Rect> screens;
    Point click;
    Point origin;
  } cases[] = {
      {"one screen", {main}, {10, 10}, {380, 200}},
      {"right of the main one", {main, right}, {2000, 5}, {2060, 290}},
      {"negative origin", {main, left}, {-1, 300}, {-980, 310}},
      {"above the main one", {main, above}, {100, 1600}, {172, 1034}},
      {"three, on the left one", {main, left, above}, {-1280, 200}, {-980, 310}},
      {"three, on the above one", {main, left, above}, {1023, 1667}, {172, 1034}},
      {"three, click on no screen", {main, left, above}, {5000, 5000}, {380, 200}},
      {"smaller than the window", {{0, 0, 600, 400}}, {1, 1}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetShared();
    center().registerWindow(main_, kMainWindowKey);
    VLConfig::shared().setValueOfKey(VLConfig::kWindowOrigins, Json::array());
    setScreens(c.screens);
    frame().updateByMousePoint(c.click);
    EXPECT_EQ(frame().getFull(), Rect(c.origin, {680, 500}));
    EXPECT_EQ(stored(), Json::array({ui::stringFromPoint(c.origin)}));
  }
}

TEST_F(AppFrameTest, OtherWindowsAreMeasuredFromTheActiveScreensTop) {
  setScreens({{0, 0, 1440, 900}, {-1000, 900, 1000, 800}});
  frame().updateByMousePoint({-500, 1000});
  EXPECT_EQ(frame().horizontalCenterOfFrame({288, 430}, 220), Rect(-644, 1050, 288, 430));
  EXPECT_EQ(frame().horizontalCenterOfFrameMarginRight({430, 620}, 150, 200), Rect(-630, 930, 430, 620));
  EXPECT_EQ(frame().horizontalCenterOfFrameMarginLeft({264, 77}, 150, 100), Rect(-900, 1473, 264, 77));
  EXPECT_EQ(frame().centerOfSize({200, 100}), Rect(-600, 1250, 200, 100));
}

TEST_F(AppFrameTest, BeforeAnyClickThePointersScreenIsActiveAndAVanishedScreenFallsBack) {
  setScreens({{0, 0, 1440, 900}, {1440, 0, 1440, 900}});
  EXPECT_EQ(frame().activeScreenFrame(), Rect(0, 0, 1440, 900));
  frame().setPointerLocation([] { return std::optional<Point>(Point{2000, 100}); });
  EXPECT_EQ(frame().activeScreenFrame(), Rect(1440, 0, 1440, 900));
  frame().updateByMousePoint({10, 10});
  EXPECT_EQ(frame().activeScreenFrame(), Rect(0, 0, 1440, 900));

  setScreens({{0, 0, 1440, 900}, {1440, 0, 1440, 900}});
  frame().updateByMousePoint({2000, 10});
  setScreens({{0, 0, 1440, 900}});
  EXPECT_EQ(frame().activeScreenFrame(), Rect(0, 0, 1440, 900));
}

TEST_F(AppFrameTest, EachScreenKeepsItsOwnOriginInPointText) {
  setScreens({{0, 0, 1440, 900}, {1440, 0, 1920, 1080}});
  EXPECT_EQ(frame().getFull().origin, Point(380, 200));
  EXPECT_EQ(frame().getFull().origin, Point(380, 200));  // reused, not appended again
  frame().updateByMousePoint({1500, 10});
  EXPECT_EQ(frame().getFull().origin, Point(2060, 290));
  EXPECT_EQ(stored(), Json::array({"{380, 200}", "{2060, 290}"}));

  // Written back by hand, as the preferences tool or a user might.
  VLConfig::shared().setValueOfKey(VLConfig::kWindowOrigins,
                                   Json::array({"{1440, 0}", "{12.5, -0}", "{1500.25, 7}"}));
  EXPECT_EQ(frame().getFull().origin, Point(1440, 0));  // the left edge belongs to the screen
  frame().updateByMousePoint({5, 5});
  EXPECT_EQ(frame().getFull().origin, Point(12.5, 0));
}

TEST_F(AppFrameTest, MalformedEntriesAreSkippedWithALogLineAndTheRestUsed) {
  setScreens({{0, 0, 1440, 900}, {1440, 0, 1440, 900}});
  VLConfig::shared().setValueOfKey(
      VLConfig::kWindowOrigins,
      Json::array({"{1, 2", 7, "{nan, 3}", "{4, 5} and more", Json::object(), "{1439, 899}", "{3000, 1}"}));
  EXPECT_EQ(frame().getFull().origin, Point(1439, 899));
  EXPECT_TRUE(logContains("entry 0 is not a point"));
  EXPECT_TRUE(logContains("entry 4 is not a point"));

  // The origin on a screen that is gone is ignored; the new screen gets the default.
  frame().updateByMousePoint({1500, 1});
  EXPECT_EQ(frame().getFull().origin, Point(1440 + 380, 200));

  VLConfig::shared().setValueOfKey(VLConfig::kWindowOrigins, "{1, 2}");
  EXPECT_EQ(frame().getFull().origin, Point(1440 + 380, 200));
  EXPECT_TRUE(logContains("not a list"));
}

TEST_F(AppFrameTest, DraggingMovesTheWindowAndRemembersItOnThatScreen) {
  setScreens({{0, 0, 1440, 900}, {1440, 0, 1440, 900}});
  main_->setFrame(frame().getFull(), false);
  frame().updateByMouseDraggedPoint({50, 50});  // no drag started
  EXPECT_EQ(main_->frame().origin, Point(380, 200));

  frame().startDrag({10, 10});
  frame().updateByMouseDraggedPoint({40, -5});
  frame().updateByMouseDraggedPoint({40, -5});  // the start point stays: the window moved under it
  frame().stopDrag();
  frame().updateByMouseDraggedPoint({90, 90});
  EXPECT_EQ(main_->frame(), Rect(440, 170, 680, 500));
  EXPECT_EQ(stored(), Json::array({"{440, 170}"}));
  EXPECT_EQ(frame().getFull().origin, Point(440, 170));

  // Dragged onto the other screen without a click there: nothing is remembered for either.
  frame().startDrag({0, 0});
  frame().updateByMouseDraggedPoint({1100, 0});
  EXPECT_EQ(stored(), Json::array({"{440, 170}"}));

  frame().center();
  EXPECT_EQ(main_->frame().origin, Point(380, 200));
  EXPECT_EQ(stored(), Json::array({"{380, 200}"}));
}

}  // namespace
}  // namespace vl::test
