#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/view/Layer.h"

namespace vl::ui {
namespace {

TEST(GeometryTest, PointTextRoundTripsAndToleratesBadText) {
  struct Case {
    std::string text;
    Point point;
  };
  const std::vector<Case> cases = {
      {"{380, 262}", {380, 262}},
      {"{380.5, -12.25}", {380.5, -12.25}},
      {"{1,2}", {1, 2}},
      {"{ 7 , 8 }", {7, 8}},
      {"", {0, 0}},
      {"garbage", {0, 0}},
      {"{5}", {5, 0}},
      {"{1e3, .5}", {1000, 0.5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(pointFromString(c.text), c.point);
  }
  EXPECT_EQ(stringFromPoint({380, 262}), "{380, 262}");
  EXPECT_EQ(stringFromPoint({-0.0, 0.1}), "{0, 0.1}");
  EXPECT_EQ(pointFromString(stringFromPoint({1.0 / 3, 2e-7})), (Point{1.0 / 3, 2e-7}));
  EXPECT_EQ(stringFromRect({1, 2, 3, 4}), "{{1, 2}, {3, 4}}");
  EXPECT_EQ(rectFromString("{{1, 2}, {3, 4}}"), (Rect{1, 2, 3, 4}));
}

TEST(GeometryTest, ContainmentIsHalfOpenSoSharedEdgesBelongToOneRect) {
  Rect left{0, 0, 10, 10}, right{10, 0, 10, 10};
  EXPECT_TRUE(left.contains(Point{0, 0}));
  EXPECT_FALSE(left.contains(Point{10, 5}));
  EXPECT_TRUE(right.contains(Point{10, 5}));
  EXPECT_FALSE(left.contains(Point{5, 10}));
  EXPECT_FALSE((Rect{0, 0, 0, 10}).contains(Point{0, 0}));
  EXPECT_FALSE(left.intersects(right));
  EXPECT_EQ(left.intersection(right), Rect{});
  EXPECT_EQ((Rect{0, 0, 10, 10}).intersection({5, 5, 10, 10}), (Rect{5, 5, 5, 5}));
  EXPECT_EQ(left.unionWith(right), (Rect{0, 0, 20, 10}));
  EXPECT_EQ(left.unionWith({}), left);
  EXPECT_EQ((Rect{10, 10, -4, -6}).standardized(), (Rect{6, 4, 4, 6}));
  EXPECT_EQ(left.insetBy(EdgeInsets{1, 2, 3, 4}), (Rect{2, 3, 4, 6}));
}

TEST(ColorTest, HexTextAsStoredColoursWriteIt) {
  struct Case {
    std::string text;
    std::uint32_t rgb;
  };
  const std::vector<Case> cases = {
      {"4A90E2", 0x4A90E2}, {"#4A90E2", 0x4A90E2}, {"4a90e2", 0x4A90E2}, {"", 0},        {"#", 0}, {"zz", 0},
      {"FF", 0xFF},         {"1D81E06", 0xD81E06}, {"0x10", 0x10},       {"12G4", 0x12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Color::fromHex(c.text), Color::rgb24(c.rgb));
  }
  EXPECT_EQ(Color::fromHex("D81E06").hexString(), "D81E06");
}

TEST(BezierPathTest, RoundedRectRoundsOnlyTheMaskedCorners) {
  Rect r{0, 0, 100, 50};
  BezierPath all = BezierPath::roundedRectWithCorners(r, 10, AllCorners);
  EXPECT_EQ(all.controlPointBounds(), r);
  EXPECT_TRUE(all.isClosed());
  auto curves = [](const BezierPath& p) {
    int n = 0;
    for (auto& e : p.elements()) n += e.type == BezierPath::ElementType::CurveTo;
    return n;
  };
  EXPECT_EQ(curves(all), 4);
  // The lower corners only (minimum y): both curves end on the bottom or side edges near y = 0.
  BezierPath lower = BezierPath::roundedRectWithCorners(r, 10, MinXMinYCorner | MaxXMinYCorner);
  EXPECT_EQ(curves(lower), 2);
  for (auto& e : lower.elements()) {
    if (e.type == BezierPath::ElementType::CurveTo) {
      EXPECT_LE(std::min(e.points[2].y, e.points[0].y), 10);
    }
  }
  // A radius larger than the shape is clamped to half the short side.
  EXPECT_EQ(BezierPath::roundedRectWithCorners(r, 400, AllCorners).controlPointBounds(), r);
  EXPECT_EQ(curves(BezierPath::roundedRectWithCorners(r, 0, AllCorners)), 0);
}

TEST(LayerGeometryTest, ContentsGravityPlacesTheImage) {
  Rect b{0, 0, 100, 50};
  Size img{20, 10};
  EXPECT_EQ(contentsRect(b, img, ContentsGravity::Resize, false), b);
  EXPECT_EQ(contentsRect(b, img, ContentsGravity::ResizeAspect, false), (Rect{0, 0, 100, 50}));
  EXPECT_EQ(contentsRect(b, {10, 10}, ContentsGravity::ResizeAspect, false), (Rect{25, 0, 50, 50}));
  EXPECT_EQ(contentsRect(b, {10, 10}, ContentsGravity::ResizeAspectFill, false), (Rect{0, -25, 100, 100}));
  EXPECT_EQ(contentsRect(b, img, ContentsGravity::TopLeft, false), (Rect{0, 40, 20, 10}));
  EXPECT_EQ(contentsRect(b, img, ContentsGravity::TopLeft, true), (Rect{0, 0, 20, 10}));
  EXPECT_EQ(contentsRect(b, img, ContentsGravity::Center, false), (Rect{40, 20, 20, 10}));
}

}  // namespace
}  // namespace vl::ui
