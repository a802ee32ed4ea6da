#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// The font a text is measured with; it maps onto the UI toolkit's fonts.
struct TextFont {
  std::string name = "system";
  double pointSize = 13;
  bool bold = false;
};

struct TextSize {
  double width = 0;
  double height = 0;
  bool operator==(const TextSize&) const = default;
};

// Sizes of texts drawn in one font: the widths of labels and the heights of rows.
class TextHelper {
 public:
  // Lays the text out and answers its size. maxWidth <= 0 lays out without wrapping (line ends still
  // start new lines); otherwise lines wrap at that width.
  using Measurer = std::function<TextSize(std::string_view text, const TextFont& font, double maxWidth)>;

  // Built-in metrics: the UI toolkit's text metrics, the same on every machine so layouts can be
  // tested. An empty text is one empty line.
  static TextSize deterministicMeasure(std::string_view text, const TextFont& font, double maxWidth);

  static double widthOfString(std::string_view text, const TextFont& font);
  static double heightOfString(std::string_view text, const TextFont& font);
  // 0 for no text; otherwise the height of the text wrapped at `fixedWidth`.
  static double heightOfString(const std::optional<std::string>& text, const TextFont& font, long fixedWidth);

 private:
  static TextSize measure(std::string_view text, const TextFont& font, double maxWidth);
};

}  // namespace vl
