#include "platform/foundation/Text.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vl {

namespace {

struct Decoded {
  char32_t cp;
  std::size_t bytes;  // at least 1
  bool valid;
};

// Decodes one code point at `i`. An ill-formed sequence yields its maximal subpart as one invalid unit,
// the same rule ICU applies when it substitutes U+FFFD, so our unit counts agree with ICU's strings.
Decoded decodeAt(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b0 = byte(i);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t need;
  char32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return {0xFFFD, 1, false};
  }
  std::size_t k = 1;
  for (; k <= need; ++k) {
    if (i + k >= s.size()) return {0xFFFD, k, false};
    unsigned char b = byte(i + k);
    if (b < lo || b > hi) return {0xFFFD, k, false};
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, need + 1, true};
}

inline std::size_t unitsOf(const Decoded& d) { return d.valid && d.cp >= 0x10000 ? 2 : 1; }

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The number of ASCII bytes from `i` on, looked at eight at a time: long texts are mostly ASCII, and every
// walk below skips such stretches without decoding them.
std::size_t asciiRun(std::string_view s, std::size_t i, std::size_t limit) {
  const std::size_t start = i;
  limit = std::min(limit, s.size());
  while (i + 8 <= limit) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    if (word & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < limit && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i - start;
}

// Walks from byte `i` (a code point boundary) with `units` counted so far, while the next code point
// ends at or before `maxUnits` units and starts before byte `maxByte`; the byte and units reached.
struct Walk {
  std::size_t byte;
  std::size_t units;
};
Walk walk(std::string_view s, Walk from, std::size_t maxUnits, std::size_t maxByte) {
  std::size_t i = from.byte, units = from.units;
  maxByte = std::min(maxByte, s.size());
  while (i < maxByte && units < maxUnits) {
    const std::size_t ascii = std::min({asciiRun(s, i, maxByte), maxUnits - units});
    i += ascii;
    units += ascii;
    if (i >= maxByte || units >= maxUnits) break;
    Decoded d = decodeAt(s, i);
    if (units + unitsOf(d) > maxUnits || i + d.bytes > maxByte) break;
    units += unitsOf(d);
    i += d.bytes;
  }
  return {i, units};
}

// Byte offset of the first code point that starts at or after UTF-16 index `index` (rounding up).
std::size_t byteOffsetRoundingUp(std::string_view text, Walk from, std::size_t index) {
  Walk w = walk(text, from, index, text.size());
  // A pair that straddles the index counts as reached past it.
  if (w.units < index && w.byte < text.size()) w.byte += decodeAt(text, w.byte).bytes;
  return w.byte;
}

}  // namespace

std::size_t utf16Length(std::string_view text) {
  return walk(text, {0, 0}, static_cast<std::size_t>(-1), text.size()).units;
}

std::size_t byteOffsetOfUtf16Index(std::string_view text, std::size_t index) {
  return walk(text, {0, 0}, index, text.size()).byte;
}

std::size_t utf16IndexOfByteOffset(std::string_view text, std::size_t offset) {
  // Only code points that end at or before the offset count.
  return walk(text, {0, 0}, static_cast<std::size_t>(-1), offset).units;
}

ByteRange byteRangeOfRange(std::string_view text, Range range) {
  if (!range.found()) return {text.size(), 0};
  const Walk start = walk(text, {0, 0}, range.location, text.size());
  std::size_t end = range.length > text.size() * 2
                        ? text.size()
                        : byteOffsetRoundingUp(text, start, range.location + range.length);
  if (end < start.byte) end = start.byte;
  return {start.byte, end - start.byte};
}

Range rangeOfByteRange(std::string_view text, ByteRange range) {
  std::size_t endByte = range.offset + range.length;
  if (endByte > text.size() || endByte < range.offset) endByte = text.size();
  std::size_t startByte = std::min(range.offset, endByte);
  const std::size_t start = utf16IndexOfByteOffset(text, startByte);
  // On from the start's code point: an end inside a code point counts that whole code point.
  Walk from = walk(text, {0, 0}, start, text.size());
  std::size_t end = from.units;
  for (std::size_t i = from.byte; i < endByte;) {
    const std::size_t ascii = asciiRun(text, i, endByte);
    i += ascii;
    end += ascii;
    if (i >= endByte) break;
    Decoded d = decodeAt(text, i);
    end += unitsOf(d);
    i += d.bytes;
  }
  return {start, end >= start ? end - start : 0};
}

std::string substringWithRange(std::string_view text, Range range) {
  ByteRange b = byteRangeOfRange(text, range);
  return std::string(text.substr(b.offset, b.length));
}

std::string cutToUtf16Length(std::string_view text, std::size_t maxUnits) {
  return std::string(text.substr(0, walk(text, {0, 0}, maxUnits, text.size()).byte));
}

icu::UnicodeString toUnicodeString(std::string_view text) {
  return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string fromUnicodeString(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

std::u16string toUtf16(std::string_view text) {
  icu::UnicodeString u = toUnicodeString(text);
  return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()),
                        static_cast<std::size_t>(u.length()));
}

std::string fromUtf16(std::u16string_view text) {
  return fromUnicodeString(icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())));
}

std::string lowercase(std::string_view text) {
  icu::UnicodeString u = toUnicodeString(text);
  u.toLower(icu::Locale::getRoot());
  return fromUnicodeString(u);
}

std::string uppercase(std::string_view text) {
  icu::UnicodeString u = toUnicodeString(text);
  u.toUpper(icu::Locale::getRoot());
  return fromUnicodeString(u);
}

std::string caseFold(std::string_view text) {
  icu::UnicodeString u = toUnicodeString(text);
  u.foldCase();
  return fromUnicodeString(u);
}

std::string trimWhitespace(std::string_view text) {
  std::size_t i = 0, firstKeep = text.size(), lastEnd = 0;
  while (i < text.size()) {
    Decoded d = decodeAt(text, i);
    bool space = d.valid && u_isUWhiteSpace(static_cast<UChar32>(d.cp));
    if (!space) {
      if (firstKeep == text.size()) firstKeep = i;
      lastEnd = i + d.bytes;
    }
    i += d.bytes;
  }
  if (firstKeep >= lastEnd) return {};
  return std::string(text.substr(firstKeep, lastEnd - firstKeep));
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0, i = 0;
  while (i < text.size()) {
    if (text[i] == '\n' || text[i] == '\r') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size() || lines.empty()) lines.emplace_back(text.substr(start));
  return lines;
}

bool isValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    i += asciiRun(text, i, text.size());
    if (i >= text.size()) break;
    Decoded d = decodeAt(text, i);
    if (!d.valid) return false;
    i += d.bytes;
  }
  return true;
}

std::string sanitizeUtf8(std::string_view text) {
  if (isValidUtf8(text)) return std::string(text);
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size();) {
    Decoded d = decodeAt(text, i);
    if (d.valid)
      out.append(text.substr(i, d.bytes));
    else
      appendUtf8(out, 0xFFFD);
    i += d.bytes;
  }
  return out;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.starts_with(prefix); }
bool endsWith(std::string_view text, std::string_view suffix) { return text.ends_with(suffix); }

}  // namespace vl
