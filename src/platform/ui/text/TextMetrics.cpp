#include "platform/ui/text/TextMetrics.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/ui/text/TextEngine.h"

namespace vl::ui {

namespace {

bool isWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1FAFF) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool isZeroWidth(char32_t c) {
  return c < 0x20 || c == 0x7F || (c >= 0x300 && c <= 0x36F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0xFE00 && c <= 0xFE0F) || c == 0x2028 || c == 0x2029 || c == 0xFEFF;
}

bool isSpace(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000 || c == 0xA0; }

bool isLineEnd(char32_t c) { return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029; }

constexpr std::string_view kNarrow = "iljI!|.,:;'`";
constexpr std::string_view kBroad = "mwMW@%";
constexpr const char* kEllipsis = "\xE2\x80\xA6";

}  // namespace

char32_t Utf8Cursor::next(std::uint8_t* units) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byte(offset);
  int extra = b0 < 0x80 ? 0 : (b0 >> 5) == 0x6 ? 1 : (b0 >> 4) == 0xE ? 2 : (b0 >> 3) == 0x1E ? 3 : -1;
  char32_t c = extra == 0 ? b0 : extra == 1 ? (b0 & 0x1F) : extra == 2 ? (b0 & 0x0F) : (b0 & 0x07);
  bool ok = extra >= 0 && offset + static_cast<std::size_t>(extra) < text.size();
  for (int k = 1; ok && k <= extra; ++k) {
    unsigned char b = byte(offset + static_cast<std::size_t>(k));
    if ((b & 0xC0) != 0x80) ok = false;
    c = (c << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are as invalid as a broken sequence.
  if (ok && ((extra == 1 && c < 0x80) || (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000) ||
             (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) {
    ok = false;
  }
  if (!ok) {
    ++offset;
    *units = 1;
    return 0xFFFD;
  }
  offset += static_cast<std::size_t>(extra) + 1;
  *units = c >= 0x10000 ? 2 : 1;
  return c;
}

// --- TextMetrics -----------------------------------------------------------------------------------------

double TextMetrics::advance(char32_t c, const Font& font) {
  if (auto engine = textEngine()) {
    std::vector<double> out;
    engine->advances(std::u32string_view(&c, 1), font, out);
    return out.empty() ? 0 : out[0];
  }
  double factor;
  if (c == '\t') {
    factor = 1.2;
  } else if (isZeroWidth(c)) {
    return 0;
  } else if (isWide(c)) {
    factor = 1.0;
  } else if (c >= '0' && c <= '9' && font.hasMonospacedDigits()) {
    factor = 0.55;
  } else if (c == ' ' || c == 0xA0 || c == '1' || (c < 0x80 && kNarrow.find(char(c)) != kNarrow.npos)) {
    factor = 0.3;
  } else if (c < 0x80 && kBroad.find(char(c)) != kBroad.npos) {
    factor = 0.85;
  } else {
    factor = 0.55;
  }
  return font.effectivePointSize() * factor * (font.isBold() ? 1.1 : 1.0);
}

double TextMetrics::widthOfString(std::string_view text, const Font& font) {
  return sizeOfString(text, font, 0).width;
}

Size TextMetrics::sizeOfString(std::string_view text, const Font& font, double maxWidth) {
  return TextLayout(text, font, maxWidth).usedSize();
}

double TextMetrics::heightOfString(std::string_view text, const Font& font, double width) {
  return sizeOfString(text, font, width).height;
}

namespace {

// The deterministic truncation's ending: trailing white space dropped, line ends made spaces, then "…".
std::string withEllipsis(std::string_view kept) {
  // Spaces just before the ellipsis would only push it away from the text.
  std::string out(kept);
  while (!out.empty() && (out.back() == ' ' || out.back() == '\t' || out.back() == '\n')) out.pop_back();
  for (char& ch : out) {
    if (ch == '\n' || ch == '\r') ch = ' ';
  }
  return out + kEllipsis;
}

// truncateTail with an installed engine: the text is shaped as it will be drawn, in growing pieces so a
// long text is measured only as far as one line reaches.
std::string truncateTailShaped(TextEngine& engine, std::string_view text, const Font& font, double width) {
  std::u32string chars;
  std::vector<std::size_t> ends;  // byte offset after each code point
  Utf8Cursor cur{text};
  std::vector<double> adv;
  double total = 0;
  for (std::size_t piece = 256;; piece *= 4) {
    while (!cur.done() && chars.size() < piece) {
      std::uint8_t units;
      char32_t c = cur.next(&units);
      chars.push_back(isLineEnd(c) ? U' ' : c);
      ends.push_back(cur.offset);
    }
    engine.advances(chars, font, adv);
    total = 0;
    for (double a : adv) total += a;
    if (total > width || cur.done()) break;
  }
  if (total <= width) return std::string(text);
  std::vector<double> ellipsis;
  engine.advances(U"\u2026", font, ellipsis);
  const double room = width - (ellipsis.empty() ? 0 : ellipsis[0]);
  if (room < 0) return "";
  // Zero advances (the rest of a cluster) always fit, so a cluster is never split.
  double used = 0;
  std::size_t keep = 0;
  for (std::size_t i = 0; i < adv.size(); ++i) {
    if (used + adv[i] > room) break;
    used += adv[i];
    keep = ends[i];
  }
  return withEllipsis(text.substr(0, keep));
}

}  // namespace

std::string TextMetrics::truncateTail(std::string_view text, const Font& font, double width) {
  if (auto engine = textEngine()) return truncateTailShaped(*engine, text, font, width);
  double total = 0;
  Utf8Cursor all{text};
  // Only whether it fits matters: stop measuring once it does not.
  while (!all.done() && total <= width) {
    std::uint8_t units;
    char32_t c = all.next(&units);
    total += advance(isLineEnd(c) ? U' ' : c, font);
  }
  if (total <= width) return std::string(text);
  const double room = width - advance(0x2026, font);
  if (room < 0) return "";
  double used = 0;
  std::size_t keep = 0;
  Utf8Cursor cur{text};
  while (!cur.done()) {
    std::uint8_t units;
    char32_t c = cur.next(&units);
    double a = advance(isLineEnd(c) ? U' ' : c, font);
    if (used + a > room) break;
    used += a;
    keep = cur.offset;
  }
  return withEllipsis(text.substr(0, keep));
}

// --- TextLayout ------------------------------------------------------------------------------------------

TextLayout::TextLayout(const AttributedString& text, const Font& defaultFont, double width,
                       std::size_t maximumLines, LineBreakMode mode, TextAlignment alignment, bool endsText,
                       std::size_t maxLaidOutUnits) {
  build(text, defaultFont, width, maximumLines, mode, alignment, endsText,
        std::max<std::size_t>(1, maxLaidOutUnits));
}

TextLayout::TextLayout(std::string_view text, const Font& font, double width, std::size_t maximumLines,
                       LineBreakMode mode, TextAlignment alignment) {
  // Past what is laid out the text is never read: a long one is not copied whole.
  std::size_t bytes = text.size();
  if (bytes > kMaxLaidOutUnits * 4) {
    bytes = kMaxLaidOutUnits * 4;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  }
  build(AttributedString(text.substr(0, bytes)), font, width, maximumLines, mode, alignment, true,
        kMaxLaidOutUnits);
  if (bytes < text.size()) {
    length_ = utf16Length(text);
    if (!lines_.empty()) lines_.back().range.length = length_ - lines_.back().range.location;
  }
}

void TextLayout::build(const AttributedString& text, const Font& defaultFont, double width,
                       std::size_t maximumLines, LineBreakMode mode, TextAlignment alignment, bool endsText,
                       std::size_t maxUnits) {
  length_ = text.length();
  const bool wraps = std::isfinite(width) && width > 0 &&
                     (mode == LineBreakMode::WordWrapping || mode == LineBreakMode::CharWrapping);
  const bool wordBreaks = mode == LineBreakMode::WordWrapping;

  // Glyphs with their fonts' metrics, walking the runs alongside the characters.
  const auto& runs = text.runs();
  std::size_t run = 0;
  std::size_t index = 0;
  std::vector<char32_t> chars;
  TextEngine* const engine = textEngine();
  // With an engine, each stretch of one attribute run between line ends is shaped as a whole, as the
  // views draw it: glyph g belongs to stretch glyphRun[g].
  std::vector<std::size_t> glyphRun;
  std::size_t metricsRun = static_cast<std::size_t>(-1);
  double runAscender = 0, runDescender = 0;
  Utf8Cursor cur{text.string()};
  while (!cur.done() && index < maxUnits) {
    std::uint8_t units;
    char32_t c = cur.next(&units);
    while (run < runs.size() && runs[run].range.end() <= index) ++run;
    const Font& font =
        run < runs.size() && runs[run].attributes.font ? *runs[run].attributes.font : defaultFont;
    if (run != metricsRun) {
      metricsRun = run;
      runAscender = font.ascender();
      runDescender = font.descender();
    }
    bool hard = isLineEnd(c);
    double advance = hard || engine ? 0 : TextMetrics::advance(c, font);
    glyphs_.push_back({index, units, hard, advance, runAscender, runDescender});
    chars.push_back(c);
    if (engine) glyphRun.push_back(run);
    index += units;
  }
  if (engine) {
    std::vector<double> advances;
    for (std::size_t g = 0; g < glyphs_.size();) {
      if (glyphs_[g].hardBreak) {
        ++g;
        continue;
      }
      std::size_t end = g;
      while (end < glyphs_.size() && !glyphs_[end].hardBreak && glyphRun[end] == glyphRun[g]) ++end;
      const std::size_t r = glyphRun[g];
      const Font& font = r < runs.size() && runs[r].attributes.font ? *runs[r].attributes.font : defaultFont;
      engine->advances(std::u32string_view(chars.data() + g, end - g), font, advances);
      for (std::size_t k = g; k < end; ++k)
        glyphs_[k].advance = k - g < advances.size() ? advances[k - g] : 0;
      g = end;
    }
  }
  laidOut_ = index;
  // "\r\n" is one line end: the "\n" joins the "\r" rather than ending an empty line of its own.
  auto pairedBreak = [&](std::size_t g) { return g > 0 && chars[g] == '\n' && chars[g - 1] == '\r'; };

  // Lines ask in text order, so one cursor through the runs keeps a long rich text linear.
  std::size_t attributeRun = 0;
  auto attributesAt = [&](std::size_t idx) -> const TextAttributes* {
    while (attributeRun < runs.size() && runs[attributeRun].range.end() <= idx) ++attributeRun;
    return attributeRun < runs.size() && runs[attributeRun].range.contains(idx)
               ? &runs[attributeRun].attributes
               : nullptr;
  };
  auto alignmentAt = [&](std::size_t idx) {
    const TextAttributes* a = attributesAt(idx);
    return a && a->alignment ? *a->alignment : alignment;
  };
  auto finishLine = [&](std::size_t first, std::size_t last, bool paragraphEnd) {
    LineFragment line;
    std::size_t start = first < glyphs_.size() ? glyphs_[first].index : length_;
    std::size_t end = last < glyphs_.size() ? glyphs_[last].index : length_;
    line.range = {start, end - start};
    double asc = 0, desc = 0, w = 0, trailingSpace = 0;
    for (std::size_t g = first; g < last; ++g) {
      asc = std::max(asc, glyphs_[g].ascender);
      desc = std::max(desc, glyphs_[g].descender);
      if (glyphs_[g].hardBreak) continue;
      w += glyphs_[g].advance;
      trailingSpace = isSpace(chars[g]) ? trailingSpace + glyphs_[g].advance : 0;
    }
    if (first == last) {
      asc = defaultFont.ascender();
      desc = defaultFont.descender();
    }
    line.width = w - trailingSpace;
    line.height = asc + desc;
    line.baseline = asc;
    line.endsParagraph = paragraphEnd;
    line.y = lines_.empty() ? 0 : lines_.back().y + lines_.back().height + lines_.back().spacingAfter;
    if (std::isfinite(width) && width > 0) {
      switch (alignmentAt(start)) {
        case TextAlignment::Right:
          line.x = std::max(0.0, width - line.width);
          break;
        case TextAlignment::Center:
          line.x = std::max(0.0, (width - line.width) / 2);
          break;
        default:
          break;
      }
    }
    if (paragraphEnd && last > first) {
      const TextAttributes* a = attributesAt(glyphs_[last - 1].index);
      if (a && a->paragraphSpacing && std::isfinite(*a->paragraphSpacing)) {
        line.spacingAfter = std::clamp(*a->paragraphSpacing, 0.0, 1000.0);
      }
    }
    lineFirstGlyph_.push_back(first);
    lines_.push_back(line);
  };

  std::size_t lineFirst = 0;
  double x = 0;
  std::size_t breakAt = 0;  // a glyph position after which the line may wrap; 0: none yet
  for (std::size_t g = 0; g < glyphs_.size(); ++g) {
    if (glyphs_[g].hardBreak) {
      if (pairedBreak(g)) continue;
      std::size_t last = g + 1;
      if (last < glyphs_.size() && chars[g] == '\r' && chars[last] == '\n') ++last;
      finishLine(lineFirst, last, true);
      lineFirst = last;
      x = 0;
      breakAt = 0;
      continue;
    }
    const char32_t c = chars[g];
    const double a = glyphs_[g].advance;
    if (isSpace(c)) {
      x += a;
      breakAt = g + 1;
      continue;
    }
    if (wraps && g > lineFirst && x + a > width) {
      std::size_t cut = wordBreaks && breakAt > lineFirst ? breakAt : g;
      finishLine(lineFirst, cut, false);
      lineFirst = cut;
      x = 0;
      for (std::size_t k = cut; k < g; ++k) x += glyphs_[k].advance;
      breakAt = 0;
    }
    if (isWide(c) && g > lineFirst) breakAt = g;
    x += a;
    if (isWide(c) || c == '-') breakAt = g + 1;
  }
  // The last line: what is left, or an empty line after a final line end (and for an empty text).
  const bool emptyLast = glyphs_.empty() || (glyphs_.back().hardBreak && endsText);
  if (lineFirst < glyphs_.size() || emptyLast) finishLine(lineFirst, glyphs_.size(), true);
  // Characters past what is laid out belong to the last line.
  if (laidOut_ < length_ && !lines_.empty())
    lines_.back().range.length = length_ - lines_.back().range.location;
  if (maximumLines > 0 && lines_.size() > maximumLines) {
    lines_.resize(maximumLines);
    lineFirstGlyph_.resize(maximumLines);
    lines_.back().range.length = length_ - lines_.back().range.location;
  }
  for (const auto& line : lines_) used_.width = std::max(used_.width, line.width);
  // Spacing after the last paragraph would only pad the bottom.
  if (!lines_.empty()) used_.height = lines_.back().y + lines_.back().height;
}

std::pair<std::size_t, std::size_t> TextLayout::glyphSpan(std::size_t line) const {
  std::size_t first = lineFirstGlyph_[line];
  std::size_t last = line + 1 < lineFirstGlyph_.size() ? lineFirstGlyph_[line + 1] : glyphs_.size();
  return {first, last};
}

std::size_t TextLayout::lineIndexForCharacterIndex(std::size_t index) const {
  if (lines_.empty()) return 0;
  auto it = std::upper_bound(lines_.begin(), lines_.end(), index,
                             [](std::size_t i, const LineFragment& l) { return i < l.range.location; });
  if (it == lines_.begin()) return 0;
  return static_cast<std::size_t>(it - lines_.begin()) - 1;
}

double TextLayout::offsetOfCharacterIndex(std::size_t index) const {
  if (lines_.empty()) return 0;
  std::size_t line = lineIndexForCharacterIndex(index);
  auto [first, last] = glyphSpan(line);
  double x = lines_[line].x;
  for (std::size_t g = first; g < last && glyphs_[g].index < index; ++g) x += glyphs_[g].advance;
  return x;
}

Rect TextLayout::caretRect(std::size_t index) const {
  if (lines_.empty()) return {};
  const LineFragment& line = lines_[lineIndexForCharacterIndex(index)];
  return {offsetOfCharacterIndex(index), line.y, 0, line.height};
}

std::size_t TextLayout::lineStart(std::size_t index) const {
  return lines_.empty() ? 0 : lines_[lineIndexForCharacterIndex(index)].range.location;
}

std::size_t TextLayout::lineEnd(std::size_t index) const {
  if (lines_.empty()) return 0;
  std::size_t line = lineIndexForCharacterIndex(index);
  auto [first, last] = glyphSpan(line);
  std::size_t end = lines_[line].range.end();
  for (std::size_t g = first; g < last; ++g) {
    if (glyphs_[g].hardBreak) return glyphs_[g].index;
  }
  // A wrapped line's end is the next line's start; stop before it so the caret stays on this line's
  // trailing space rather than jumping down.
  if (!lines_[line].endsParagraph && end > lines_[line].range.location && last > first) {
    return glyphs_[last - 1].index;
  }
  return end;
}

std::size_t TextLayout::characterIndexForPoint(Point p) const {
  if (lines_.empty()) return 0;
  std::size_t line = 0;
  while (line + 1 < lines_.size() && p.y >= lines_[line].y + lines_[line].height) ++line;
  auto [first, last] = glyphSpan(line);
  double x = lines_[line].x;
  for (std::size_t g = first; g < last; ++g) {
    if (glyphs_[g].hardBreak) return glyphs_[g].index;
    if (p.x < x + glyphs_[g].advance / 2) return glyphs_[g].index;
    x += glyphs_[g].advance;
  }
  return lineEnd(lines_[line].range.location);
}

std::size_t TextLayout::indexOnAdjacentLine(std::size_t index, double x, bool up) const {
  if (lines_.empty()) return 0;
  std::size_t line = lineIndexForCharacterIndex(index);
  if (up && line == 0) return 0;
  if (!up && line + 1 >= lines_.size()) return length_;
  const LineFragment& target = lines_[up ? line - 1 : line + 1];
  return characterIndexForPoint({x, target.y + target.height / 2});
}

}  // namespace vl::ui
