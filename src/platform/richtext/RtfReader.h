#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/Font.h"

namespace vl::ui {

// Reads the part of RTF that copied text carries: groups, the font and colour tables, bold, italic,
// underline, strikethrough, sizes, alignment, paragraph and line ends, tabs, hyperlink fields, \uN
// characters (skipping their \ucN fallbacks) and \'hh bytes in the document's or the font's code page.
// Unknown destinations, pictures and document information are skipped.
//
// Everything is bounded while reading: groups deeper than kMaxDepth read as flat text, numbers saturate,
// the output keeps at most RichTextBuilder's runs, and input past kMaxInputBytes is refused. Nothing is
// recursive, so any input reads in time linear in its size.
class RtfReader {
 public:
  static constexpr std::size_t kMaxInputBytes = 16 * 1024 * 1024;
  static constexpr std::size_t kMaxDepth = 1000;

  // The attributed text, or nullopt (logged) when the data is not RTF or too large: the caller then shows
  // the record's plain text. `baseFont` gives the family of text in no font of the table.
  static std::optional<AttributedString> read(std::string_view rtf, const Font& baseFont = Font());
};

}  // namespace vl::ui
