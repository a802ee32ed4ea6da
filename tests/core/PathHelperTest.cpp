#include <gtest/gtest.h>

#include "core/files/PathHelper.h"

namespace vl {
namespace {

using Type = ui::BezierPath::ElementType;

// Paths written as one letter per element: M move, L line, C curve, Z close.
ui::BezierPath drawn(const std::string& letters) {
  ui::BezierPath path;
  for (char c : letters) {
    if (c == 'M') path.moveTo({0, 0});
    if (c == 'L') path.lineTo({1, 1});
    if (c == 'C') path.curveTo({3, 3}, {1, 2}, {2, 1});
    if (c == 'Z') path.closePath();
  }
  return path;
}

std::string lettersOf(const ui::BezierPath& path) {
  std::string out;
  for (const auto& e : path.elements()) {
    out += e.type == Type::MoveTo ? 'M' : e.type == Type::LineTo ? 'L' : e.type == Type::CurveTo ? 'C' : 'Z';
  }
  return out;
}

TEST(PathHelperTest, ClosesAnOpenLastSubpath) {
  EXPECT_EQ(PathHelper::createShadowPath(ui::BezierPath()), std::nullopt);
  // A move after a line leaves the mark open, so the path still gets its close.
  const std::pair<std::string, std::string> cases[] = {
      {"M", "M"}, {"ML", "MLZ"}, {"MC", "MCZ"}, {"MLZ", "MLZ"}, {"MLM", "MLMZ"}, {"MLZM", "MLZM"},
  };
  for (const auto& [path, expected] : cases) {
    auto shadow = PathHelper::createShadowPath(drawn(path));
    ASSERT_TRUE(shadow) << path;
    EXPECT_EQ(lettersOf(*shadow), expected) << path;
  }
}

}  // namespace
}  // namespace vl
