#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/Font.h"

namespace vl::ui {

// Turns HTML into attributed text with libxml2's forgiving HTML parser: headings, paragraphs, line breaks,
// bulleted and numbered lists, links (kept as a link attribute), bold, italic, underline, strikethrough,
// code and preformatted text in a fixed-width face, inline colours and weights, and tables as one line per
// row with cells apart by tabs. Scripts, styles, the head, frames and images are dropped (an image leaves
// its alt text); nothing the HTML points to is ever fetched.
//
// Bounded while reading: the parser streams its events and no tree is built; input past kMaxInputBytes
// and elements nested deeper than XmlLibrary::kMaxDepth are refused (the parser's cost grows with depth
// times length, so both bounds together bound its time), as do kMaxAttributesPerTag attributes of one start
// tag (its cost grows with their square); invalid UTF-8 becomes U+FFFD before parsing.
class HtmlReader {
 public:
  static constexpr std::size_t kMaxInputBytes = 8 * 1024 * 1024;
  // Attributes of one start tag past this many are not read (see capStartTagAttributes).
  static constexpr std::size_t kMaxAttributesPerTag = 64;

  // The attributed text, or nullopt (logged) when the data is too large or not parsed: the caller then
  // shows the record's plain text. Text takes `baseFont`; headings and code are sized from it.
  static std::optional<AttributedString> read(std::string_view html, const Font& baseFont = Font());
};

}  // namespace vl::ui
