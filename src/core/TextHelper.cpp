#include "core/TextHelper.h"

#include <mutex>

#include "platform/ui/text/Font.h"
#include "platform/ui/text/TextMetrics.h"

namespace vl {

namespace {

std::mutex& measurerMutex() {
  static std::mutex m;
  return m;
}

TextHelper::Measurer& installedMeasurer() {
  static TextHelper::Measurer measurer;
  return measurer;
}

}  // namespace

TextSize TextHelper::deterministicMeasure(std::string_view text, const TextFont& font, double maxWidth) {
  // The toolkit's metrics, so a label sized here is the size its text field lays the text out at.
  const ui::Font uiFont(font.name, font.pointSize,
                        font.bold ? ui::Font::WeightBold : ui::Font::WeightRegular);
  const ui::Size size = ui::TextMetrics::sizeOfString(text, uiFont, maxWidth > 0 ? maxWidth : 0);
  return {size.width, size.height};
}

TextSize TextHelper::measure(std::string_view text, const TextFont& font, double maxWidth) {
  Measurer measurer;
  {
    std::lock_guard lock(measurerMutex());
    measurer = installedMeasurer();
  }
  return measurer ? measurer(text, font, maxWidth) : deterministicMeasure(text, font, maxWidth);
}

double TextHelper::widthOfString(std::string_view text, const TextFont& font) {
  return measure(text, font, 0).width;
}

double TextHelper::heightOfString(std::string_view text, const TextFont& font) {
  return measure(text, font, 0).height;
}

double TextHelper::heightOfString(const std::optional<std::string>& text, const TextFont& font,
                                  long fixedWidth) {
  if (!text) return 0;
  return measure(*text, font, static_cast<double>(fixedWidth)).height;
}

}  // namespace vl
