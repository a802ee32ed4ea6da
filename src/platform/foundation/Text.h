#pragma once

#include <unicode/unistr.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Text is UTF-8 in memory, but lengths, ranges and limits are counted in UTF-16 code units, the unit
// stored settings and peers use. Invalid UTF-8 bytes count as one unit each (U+FFFD when converted), so
// every function here has a defined answer for any byte string.
namespace vl {

// A range in UTF-16 code units.
struct Range {
  static constexpr std::size_t NotFound = static_cast<std::size_t>(-1);
  std::size_t location = NotFound;
  std::size_t length = 0;

  constexpr Range() = default;
  constexpr Range(std::size_t loc, std::size_t len) : location(loc), length(len) {}
  constexpr bool found() const { return location != NotFound; }
  constexpr std::size_t end() const { return location + length; }
  constexpr bool contains(std::size_t index) const { return found() && index >= location && index < end(); }
  constexpr bool operator==(const Range&) const = default;
};

// A range in UTF-8 bytes.
struct ByteRange {
  std::size_t offset = 0;
  std::size_t length = 0;
  constexpr bool operator==(const ByteRange&) const = default;
};

std::size_t utf16Length(std::string_view text);

// Byte offset of the code point that holds UTF-16 index `index`. An index inside a surrogate pair
// rounds down to the pair's start; an index past the end gives text.size().
std::size_t byteOffsetOfUtf16Index(std::string_view text, std::size_t index);
// UTF-16 index of byte offset `offset`; an offset inside a multi-byte sequence rounds down.
std::size_t utf16IndexOfByteOffset(std::string_view text, std::size_t offset);

// The bytes a UTF-16 range covers, clamped to the text; a range that starts or ends inside a surrogate
// pair is widened to whole code points.
ByteRange byteRangeOfRange(std::string_view text, Range range);
Range rangeOfByteRange(std::string_view text, ByteRange range);
// The text of a UTF-16 range (clamped as above).
std::string substringWithRange(std::string_view text, Range range);

// The longest prefix of at most maxUnits UTF-16 units that does not split a code point.
std::string cutToUtf16Length(std::string_view text, std::size_t maxUnits);

// Conversions for ICU. Invalid UTF-8 becomes U+FFFD; lone surrogates become U+FFFD on the way back.
icu::UnicodeString toUnicodeString(std::string_view text);
std::string fromUnicodeString(const icu::UnicodeString& text);
std::u16string toUtf16(std::string_view text);
std::string fromUtf16(std::u16string_view text);

// Full Unicode case mapping in the root locale ("ß" uppercases to "SS").
std::string lowercase(std::string_view text);
std::string uppercase(std::string_view text);
// Unicode simple-plus-full case folding, for case-insensitive comparison.
std::string caseFold(std::string_view text);

// Drops leading and trailing Unicode white space and line ends.
std::string trimWhitespace(std::string_view text);
// Splits at "\n", "\r\n" and "\r"; the line ends are dropped. "" gives one empty line; a trailing line
// end does not add an empty last line.
std::vector<std::string> splitLines(std::string_view text);

bool isValidUtf8(std::string_view text);
// Replaces every invalid sequence with U+FFFD.
std::string sanitizeUtf8(std::string_view text);

bool startsWith(std::string_view text, std::string_view prefix);
bool endsWith(std::string_view text, std::string_view suffix);

}  // namespace vl
