#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Text.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/text/ParagraphStyle.h"

namespace vl::ui {

// The one text measurer of the toolkit. Headless metrics are fixed numbers, the same on every machine, so
// layouts can be tested to the point: advances are fractions of the point size (0.55 for most characters,
// 0.3 for spaces and the narrow "iljI1!|.,:;'`", 0.85 for "mwMW@%", a whole point size for wide East Asian
// characters and emoji, 0 for line ends, controls and combining marks, 1.2 for a tab), bold faces are 10 %
// wider, and a font with monospaced digits gives every digit 0.55. Lines are Font::lineHeight() high.
// With a TextEngine installed (the desktop backend), advances and line heights come from it instead, and
// TextLayout shapes each attribute run between line ends as one piece, as the views draw it.
class TextMetrics {
 public:
  static double advance(char32_t c, const Font& font);
  // The widest line of the text, laid out without wrapping.
  static double widthOfString(std::string_view text, const Font& font);
  // Laid out at maxWidth (no wrapping when maxWidth <= 0): the widest line and the lines' total height.
  // An empty text is one empty line.
  static Size sizeOfString(std::string_view text, const Font& font, double maxWidth = 0);
  static double heightOfString(std::string_view text, const Font& font, double width);
  // The text on one line (line ends count as spaces) cut at the end with "…" so that it fits `width`;
  // the text itself when it fits; "" when not even the ellipsis fits. Never splits a character.
  static std::string truncateTail(std::string_view text, const Font& font, double width);
};

// One line of a laid-out text. y and baseline count down from the top of the layout.
struct LineFragment {
  Range range;       // UTF-16 units of the line, its line end included
  double x = 0;      // where the line starts, after alignment
  double y = 0;      // top of the line
  double width = 0;  // drawn width, trailing white space left out
  double height = 0;
  double baseline = 0;  // from the top of the line
  bool endsParagraph = false;
  double spacingAfter = 0;  // the paragraph's spacing when the line ends one, left empty below the line
};

// Lines of a text laid out in a given width: hard line ends ("\n", "\r\n", "\r", U+2028, U+2029) always
// break; wrapping prefers the position after the last white space (or next to a wide character) on the
// line and otherwise breaks between characters; a line holds at least one character. Trailing white space
// hangs past the width. A text that ends with a line end has an empty last line (where the caret goes).
// Every control and text view lays text out through this class.
//
// Only the first kMaxLaidOutUnits of a text are laid out, whatever it holds: the characters past them
// count as part of the last line, as lines past maximumLines do, and have no place of their own (a caret
// there stands at the end of what was laid out). Views that show more lay a long text out a block at a
// time (BlockLayout).
class TextLayout {
 public:
  static constexpr std::size_t kMaxLaidOutUnits = 16384;

  TextLayout() = default;
  // width <= 0 or not finite: no wrapping. maximumLines 0: no limit; later lines are dropped and their
  // characters count as part of the last line. Truncating and clipping modes keep each paragraph on one
  // line. Alignment comes from the text's attributes, else `alignment`. A text that is not the end of
  // what a view shows (`endsText` false, a block of a longer one) has no empty line after a final line
  // end.
  TextLayout(const AttributedString& text, const Font& defaultFont, double width,
             std::size_t maximumLines = 0, LineBreakMode mode = LineBreakMode::WordWrapping,
             TextAlignment alignment = TextAlignment::Natural, bool endsText = true,
             std::size_t maxLaidOutUnits = kMaxLaidOutUnits);
  TextLayout(std::string_view text, const Font& font, double width, std::size_t maximumLines = 0,
             LineBreakMode mode = LineBreakMode::WordWrapping,
             TextAlignment alignment = TextAlignment::Natural);

  const std::vector<LineFragment>& lines() const { return lines_; }
  std::size_t lineCount() const { return lines_.size(); }
  // UTF-16 units of the text laid out.
  std::size_t length() const { return length_; }
  // The units that have a place on a line: all of them, unless the text is longer than what is laid out.
  std::size_t laidOutLength() const { return laidOut_; }
  // The line that holds the character at a UTF-16 index; an index at or past the end gives the last line.
  std::size_t lineIndexForCharacterIndex(std::size_t index) const;
  // The widest line and the height of all lines.
  Size usedSize() const { return used_; }

  // Where a caret before the character at `index` stands: x from the left of the layout.
  double offsetOfCharacterIndex(std::size_t index) const;
  // A caret rectangle (zero width) before the character, in layout coordinates (y down).
  Rect caretRect(std::size_t index) const;
  // The character boundary nearest to a point in layout coordinates (y down); points above the first line
  // or below the last clamp to them.
  std::size_t characterIndexForPoint(Point p) const;
  // The boundary on the line above or below that is nearest to `x`; index past the first or last line
  // gives the start or end of the text.
  std::size_t indexOnAdjacentLine(std::size_t index, double x, bool up) const;
  // The start of the line holding `index`, and its end before any line end characters.
  std::size_t lineStart(std::size_t index) const;
  std::size_t lineEnd(std::size_t index) const;

 private:
  struct Glyph {
    std::size_t index;
    std::uint8_t units;
    bool hardBreak;
    double advance;
    double ascender;
    double descender;
  };
  void build(const AttributedString& text, const Font& defaultFont, double width, std::size_t maximumLines,
             LineBreakMode mode, TextAlignment alignment, bool endsText, std::size_t maxUnits);
  // Glyph positions [first, last) of a line.
  std::pair<std::size_t, std::size_t> glyphSpan(std::size_t line) const;

  std::vector<Glyph> glyphs_;
  std::vector<std::size_t> lineFirstGlyph_;
  std::vector<LineFragment> lines_;
  std::size_t length_ = 0;
  std::size_t laidOut_ = 0;
  Size used_;
};

// Decodes UTF-8 one code point at a time; invalid bytes come out as U+FFFD, one byte and one UTF-16 unit
// each, as the foundation's UTF-16 counting has it.
struct Utf8Cursor {
  std::string_view text;
  std::size_t offset = 0;
  bool done() const { return offset >= text.size(); }
  // The next code point and its length in UTF-16 units.
  char32_t next(std::uint8_t* units);
};

}  // namespace vl::ui
