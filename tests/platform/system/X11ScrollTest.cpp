#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/system/x11/window/X11Scroll.h"

namespace vl::x11 {
namespace {

TEST(X11ScrollTest, WheelButtonsScrollOneLineUnlessTheyRepeatSmoothMotion) {
  struct Case {
    unsigned button;
    bool fromSmooth;
    std::optional<ScrollDelta> want;
  } cases[] = {
      {4, false, ScrollDelta{0, 1}},  {5, false, ScrollDelta{0, -1}}, {6, false, ScrollDelta{1, 0}},
      {7, false, ScrollDelta{-1, 0}}, {4, true, std::nullopt},        {7, true, std::nullopt},
      {1, false, std::nullopt},       {3, false, std::nullopt},       {8, false, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wheelButtonScroll(c.button, c.fromSmooth), c.want) << c.button << " " << c.fromSmooth;
  }
}

TEST(X11ScrollTest, SetValuatorsFollowTheMaskAndStopAtItsBound) {
  const double values[] = {1.5, 7, 9};
  const unsigned char mask[] = {0b00000101, 0b00000010};
  EXPECT_EQ(setValuators(mask, 2, values), (std::vector<std::pair<int, double>>{{0, 1.5}, {2, 7}, {9, 9}}));
  EXPECT_TRUE(setValuators(nullptr, 2, values).empty());
  EXPECT_TRUE(setValuators(mask, -1, values).empty());
  // A mask claiming more bytes than any device has is read only up to the bound.
  std::vector<unsigned char> huge(4096, 0);
  huge[SmoothScroll::kMaxValuatorMaskBytes] = 1;
  EXPECT_TRUE(setValuators(huge.data(), static_cast<int>(huge.size()), values).empty());
}

// Device 2 scrolls vertically on valuator 2 (15 units a notch) and horizontally on valuator 3 (no
// increment given); device 5 is a plain mouse without scroll valuators.
TEST(X11ScrollTest, SmoothMotionScrollsByItsStepsFromAFreshBaseAfterEachEntry) {
  SmoothScroll scroll;
  scroll.addDevice(2, {{2, true, 15}, {3, false, 0}});
  scroll.addDevice(5, {});
  EXPECT_TRUE(scroll.isSmooth(2));
  EXPECT_FALSE(scroll.isSmooth(5));
  EXPECT_FALSE(scroll.knows(9));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Step {
    bool enter;  // the pointer entered a window before this event
    int device;
    std::vector<std::pair<int, double>> valuators;
    std::optional<ScrollDelta> want;
  } steps[] = {
      {false, 2, {{0, 400}, {2, 100}}, std::nullopt},  // the first value is only the base
      {false, 2, {{2, 115}}, ScrollDelta{0, -1}},      // one notch down
      {false, 2, {{2, 107.5}}, ScrollDelta{0, 0.5}},   // half a notch back up, precisely
      {false, 2, {{0, 500}}, std::nullopt},            // pointer motion alone scrolls nothing
      {false, 2, {{3, 10}}, std::nullopt},
      {false, 2, {{2, 107.5}, {3, 13}}, ScrollDelta{-3, 0}},
      {true, 2, {{2, 200}}, std::nullopt},  // scrolled elsewhere meanwhile: not ours
      {false, 2, {{2, 230}}, ScrollDelta{0, -2}},
      {false, 2, {{2, nan}}, std::nullopt},
      {false, 2, {{2, 260}}, std::nullopt},  // a broken value restarts the base
      {false, 2, {{2, 245}}, ScrollDelta{0, 1}},
      {false, 5, {{2, 10}}, std::nullopt},
      {false, 9, {{2, 10}}, std::nullopt},
  };
  int i = 0;
  for (const Step& s : steps) {
    if (s.enter) scroll.restart();
    EXPECT_EQ(scroll.motion(s.device, s.valuators), s.want) << "step " << i;
    ++i;
  }
}

}  // namespace
}  // namespace vl::x11
