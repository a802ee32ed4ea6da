#pragma once

#include <string>
#include <string_view>

// The separators of the doc text and the escaping that keeps them out of field texts.
//
// Files stay in the plain form that every earlier version wrote: a field is escaped only when it
// contains a separator (or the escape marker), so a doc whose texts hold none of them is written
// byte for byte as before, and a doc written before escaping existed reads back unchanged.
namespace vl::doctext {

// Between the records of a doc.
inline constexpr std::string_view kChunkSeparator = "^------------------------EOC";
// Between the seven fields of a record.
inline constexpr std::string_view kFieldSeparator = "^------------------------EOB";
// Between the words of a search-word list.
inline constexpr std::string_view kWordSeparator = "^-EOL";
// Starts every escaped field. ESC never appears in JSON text and hardly ever in a copied text.
inline constexpr std::string_view kEscapeMarker = "\x1BVLESC:";

// A record field: escaped when it contains the record or doc separator or the marker.
std::string escapeField(std::string_view text);
// A search word: also escaped when it contains the word separator.
std::string escapeWord(std::string_view text);
// Undoes either escape; a text without the leading marker is given back as it stands.
std::string unescape(std::string_view text);

// The text up to the next `separator` (or the end) and the position after that separator, which is
// npos when the text ended. Used to walk a doc text without copying it.
struct Piece {
  std::string_view text;
  std::size_t next;
};
Piece nextPiece(std::string_view text, std::size_t from, std::string_view separator);

}  // namespace vl::doctext
