#include "core/TextHelper.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/foundation/Text.h"

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

bool isWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::vector<char32_t> codePoints(std::string_view text) {
  const std::u16string units = toUtf16(text);
  std::vector<char32_t> out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace

void TextHelper::setMeasurer(Measurer measurer) {
  std::lock_guard lock(measurerMutex());
  installedMeasurer() = std::move(measurer);
}

TextSize TextHelper::deterministicMeasure(std::string_view text, const TextFont& font, double maxWidth) {
  const double size = font.pointSize > 0 ? font.pointSize : 13;
  const double narrow = size * (font.bold ? 0.6 : 0.55);
  const double lineHeight = size * 1.25;
  auto advance = [&](char32_t c) {
    if (c == '\t') return narrow * 4;
    if (c < 0x20 || c == 0x7F) return 0.0;
    return isWide(c) ? size : narrow;
  };

  double widest = 0;
  int lines = 1;
  double lineWidth = 0;
  // Width of the current line up to and including its last space, and the width after that space.
  double beforeBreak = -1;
  double sinceBreak = 0;
  auto endLine = [&](double width) {
    widest = std::max(widest, width);
    ++lines;
  };

  const auto chars = codePoints(text);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < chars.size() && chars[i + 1] == '\n') ++i;
      endLine(lineWidth);
      lineWidth = 0;
      beforeBreak = -1;
      sinceBreak = 0;
      continue;
    }
    const double w = advance(c);
    if (maxWidth > 0 && lineWidth + w > maxWidth && lineWidth > 0 && c != ' ') {
      if (beforeBreak >= 0) {
        // Move the word after the last space onto the next line; the space itself stays behind.
        endLine(beforeBreak - narrow);
        lineWidth = sinceBreak;
      } else {
        endLine(lineWidth);
        lineWidth = 0;
      }
      beforeBreak = -1;
      sinceBreak = 0;
    }
    lineWidth += w;
    if (c == ' ') {
      beforeBreak = lineWidth;
      sinceBreak = 0;
    } else {
      sinceBreak += w;
    }
  }
  widest = std::max(widest, lineWidth);
  return {widest, lines * lineHeight};
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
