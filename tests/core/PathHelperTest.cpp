#include <gtest/gtest.h>

#include "core/PathHelper.h"

namespace vl {
namespace {

using Type = PathElement::Type;

std::vector<Type> typesOf(const ShadowPath& path) {
  std::vector<Type> out;
  for (const auto& e : path.elements()) out.push_back(e.type);
  return out;
}

TEST(PathHelperTest, ClosesAnOpenLastSubpath) {
  EXPECT_EQ(PathHelper::createShadowPath(BezierPath()), nullptr);

  struct Case {
    std::vector<Type> drawn;
    std::vector<Type> expected;
  };
  const Case cases[] = {
      {{Type::MoveTo}, {Type::MoveTo}},
      {{Type::MoveTo, Type::LineTo}, {Type::MoveTo, Type::LineTo, Type::ClosePath}},
      {{Type::MoveTo, Type::CurveTo}, {Type::MoveTo, Type::CurveTo, Type::ClosePath}},
      {{Type::MoveTo, Type::LineTo, Type::ClosePath}, {Type::MoveTo, Type::LineTo, Type::ClosePath}},
      // A move after a line leaves the mark open, so the path still gets its close.
      {{Type::MoveTo, Type::LineTo, Type::MoveTo},
       {Type::MoveTo, Type::LineTo, Type::MoveTo, Type::ClosePath}},
      {{Type::MoveTo, Type::LineTo, Type::ClosePath, Type::MoveTo},
       {Type::MoveTo, Type::LineTo, Type::ClosePath, Type::MoveTo}},
  };
  for (const auto& c : cases) {
    BezierPath path;
    for (Type t : c.drawn) {
      switch (t) {
        case Type::MoveTo:
          path.moveTo({0, 0});
          break;
        case Type::LineTo:
          path.lineTo({1, 1});
          break;
        case Type::CurveTo:
          path.curveTo({3, 3}, {1, 2}, {2, 1});
          break;
        case Type::ClosePath:
          path.closePath();
          break;
      }
    }
    auto shadow = PathHelper::createShadowPath(path);
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(typesOf(*shadow), c.expected);
  }
}

}  // namespace
}  // namespace vl
