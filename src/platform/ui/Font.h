#pragma once

#include <string>
#include <utility>

namespace vl::ui {

// A font as the display list records it: a family, a point size and a weight (-1 ultra light ... 1 black,
// 0 regular, as the platform's weight scale). Text metrics come with the text controls.
class Font {
 public:
  static constexpr double WeightLight = -0.4;
  static constexpr double WeightRegular = 0;
  static constexpr double WeightMedium = 0.23;
  static constexpr double WeightSemibold = 0.3;
  static constexpr double WeightBold = 0.4;

  Font() = default;
  Font(std::string family, double pointSize, double weight = WeightRegular)
      : family_(std::move(family)), pointSize_(pointSize), weight_(weight) {}

  static Font systemFont(double pointSize, double weight = WeightRegular) {
    return Font(kSystemFamily, pointSize, weight);
  }
  static constexpr const char* kSystemFamily = "system";

  const std::string& family() const { return family_; }
  double pointSize() const { return pointSize_; }
  double weight() const { return weight_; }
  bool isSystemFont() const { return family_ == kSystemFamily; }

  bool operator==(const Font&) const = default;

 private:
  std::string family_ = kSystemFamily;
  double pointSize_ = 13;
  double weight_ = WeightRegular;
};

}  // namespace vl::ui
