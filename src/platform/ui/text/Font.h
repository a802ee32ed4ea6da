#pragma once

#include <string>
#include <utility>

namespace vl::ui {

// How a line under (or through) text is drawn.
enum class UnderlineStyle { None = 0, Single = 1, Thick = 2, Double = 9 };

// A font as the display list records it: a family, a point size and a weight (-1 ultra light ... 1 black,
// 0 regular, as the platform's weight scale), optionally italic and with digits of one width. Its metrics
// come from TextMetrics (and the installed TextEngine, if any), so every control measures text the same way.
class Font {
 public:
  static constexpr double WeightLight = -0.4;
  static constexpr double WeightRegular = 0;
  static constexpr double WeightMedium = 0.23;
  static constexpr double WeightSemibold = 0.3;
  static constexpr double WeightBold = 0.4;
  // The size a font falls back to when given one that is not a positive finite number.
  static constexpr double kDefaultPointSize = 13;

  Font() = default;
  Font(std::string family, double pointSize, double weight = WeightRegular)
      : family_(std::move(family)), pointSize_(pointSize), weight_(weight) {}

  static Font systemFont(double pointSize, double weight = WeightRegular) {
    return Font(kSystemFamily, pointSize, weight);
  }
  static Font boldSystemFont(double pointSize) { return systemFont(pointSize, WeightBold); }
  // The system font whose digits all have the same advance, so columns of numbers line up.
  static Font monospacedDigitSystemFont(double pointSize, double weight = WeightRegular) {
    Font f = systemFont(pointSize, weight);
    f.monospacedDigits_ = true;
    return f;
  }
  static constexpr const char* kSystemFamily = "system";

  const std::string& family() const { return family_; }
  double pointSize() const { return pointSize_; }
  // The point size metrics use: pointSize() when it is a positive finite number, else the default.
  double effectivePointSize() const;
  double weight() const { return weight_; }
  bool isSystemFont() const { return family_ == kSystemFamily; }
  // Semibold and heavier draw with the bold face.
  bool isBold() const { return weight_ >= WeightSemibold; }
  bool hasMonospacedDigits() const { return monospacedDigits_; }
  Font withSize(double pointSize) const {
    Font f = *this;
    f.pointSize_ = pointSize;
    return f;
  }
  Font withWeight(double weight) const {
    Font f = *this;
    f.weight_ = weight;
    return f;
  }
  // Slanting changes no advance in the headless metrics; the painter picks the italic face.
  bool isItalic() const { return italic_; }
  Font withItalic(bool italic) const {
    Font f = *this;
    f.italic_ = italic;
    return f;
  }
  Font withFamily(std::string family) const {
    Font f = *this;
    f.family_ = std::move(family);
    return f;
  }
  // The family name a painter resolves to the machine's fixed-width face.
  static constexpr const char* kMonospaceFamily = "monospace";

  // Vertical metrics: ascender above the baseline, descender below it (positive), their sum the line height.
  double ascender() const;
  double descender() const;
  double lineHeight() const;

  // "system 13 w0.23 italic monospaced-digits" and the like.
  std::string description() const;

  bool operator==(const Font&) const = default;

 private:
  std::string family_ = kSystemFamily;
  double pointSize_ = 13;
  double weight_ = WeightRegular;
  bool monospacedDigits_ = false;
  bool italic_ = false;
};

}  // namespace vl::ui
