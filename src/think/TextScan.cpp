#include "think/TextScan.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/foundation/Text.h"

namespace vl::think {

namespace {

// The length of the line end at the start of `rest`; 0 when there is none.
std::size_t lineEndAt(std::string_view rest) {
  if (rest.empty()) return 0;
  const auto c = static_cast<unsigned char>(rest[0]);
  if (c == '\r') return rest.size() > 1 && rest[1] == '\n' ? 2 : 1;
  if (c == '\n' || c == 0x0b || c == 0x0c) return 1;
  if (rest.starts_with("\xc2\x85")) return 2;                                          // NEL
  if (rest.starts_with("\xe2\x80\xa8") || rest.starts_with("\xe2\x80\xa9")) return 3;  // LS, PS
  return 0;
}

// Texts shorter than this are read again each time; longer ones are kept.
constexpr std::size_t kKeptFactsBytes = 4096;

// A text of only ASCII digits and a one-byte separator: whether its pieces are all numbers (none empty,
// at least two). nullopt when other bytes are present, for the general reading. Sixteen bytes are looked at
// a time where the processor can.
std::optional<bool> digitPieces(std::string_view text, char separator) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool doubled = false, previousWasSeparator = false, anySeparator = false;
#if defined(__SSE2__)
  const __m128i beforeZero = _mm_set1_epi8('0' - 1), afterNine = _mm_set1_epi8('9' + 1);
  const __m128i sep = _mm_set1_epi8(separator);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    // Bytes from 0x80 up compare as negative, so they are no digits.
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, beforeZero), _mm_cmplt_epi8(v, afterNine));
    const __m128i isSep = _mm_cmpeq_epi8(v, sep);
    if (_mm_movemask_epi8(_mm_or_si128(digit, isSep)) != 0xFFFF) return std::nullopt;
    const unsigned seps = static_cast<unsigned>(_mm_movemask_epi8(isSep));
    doubled = doubled || (seps & (seps >> 1)) != 0 || (previousWasSeparator && (seps & 1u));
    anySeparator = anySeparator || seps != 0;
    previousWasSeparator = (seps & 0x8000u) != 0;
  }
#endif
  for (; i < n; ++i) {
    const char c = text[i];
    const bool isSep = c == separator;
    if (!isSep && (c < '0' || c > '9')) return std::nullopt;
    doubled = doubled || (isSep && previousWasSeparator);
    anySeparator = anySeparator || isSep;
    previousWasSeparator = isSep;
  }
  return n > 0 && anySeparator && !doubled && text.front() != separator && text.back() != separator;
}

// utf16Length, with runs of ASCII counted eight bytes at a time. An ASCII byte never belongs to a longer
// sequence, so the runs between them are counted by the platform exactly as it counts the whole text.
std::size_t lengthInUnits(std::string_view text) {
  std::size_t units = 0, i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    std::uint64_t word = 0;
    if (i + 8 <= n) std::memcpy(&word, text.data() + i, 8);
    if (i + 8 <= n && (word & 0x8080808080808080ull) == 0) {
      units += 8;
      i += 8;
      continue;
    }
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++units;
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < n && static_cast<unsigned char>(text[end]) >= 0x80) ++end;
    units += utf16Length(text.substr(i, end - i));
    i = end;
  }
  return units;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

template <typename Int>
Int leadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  Int value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (!negative) {
      if (value > (std::numeric_limits<Int>::max() - digit) / 10) return std::numeric_limits<Int>::max();
      value = static_cast<Int>(value * 10 + digit);
    } else {
      if (value < (std::numeric_limits<Int>::min() + digit) / 10) return std::numeric_limits<Int>::min();
      value = static_cast<Int>(value * 10 - digit);
    }
  }
  return value;
}

}  // namespace

bool isNumberText(std::string_view text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0) return false;
  const std::string_view rest = text.substr(digits);
  return rest.empty() || lineEndAt(rest) == rest.size();
}

bool splitsIntoNumbers(std::string_view text, std::string_view separator) {
  // A long list of numbers is read in one pass.
  if (separator.size() == 1) {
    if (std::optional<bool> answer = digitPieces(text, separator[0])) return *answer;
  }
  std::size_t pieces = 0;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    const std::string_view piece =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!isNumberText(piece)) return false;
    ++pieces;
    if (end == std::string_view::npos) break;
    start = end + separator.size();
  }
  return pieces >= 2;
}

TextFacts factsOf(const std::string& text) {
  const auto work = [](std::string_view t) {
    TextFacts facts;
    facts.length = lengthInUnits(t);
    facts.number = isNumberText(t);
    facts.digitLines = splitsIntoNumbers(t, "\n");
    facts.digitCommas = splitsIntoNumbers(t, ",");
    facts.digitCommaLines = splitsIntoNumbers(t, ",\n");
    return facts;
  };
  if (text.size() < kKeptFactsBytes) return work(text);
  static std::mutex mutex;
  static std::string keptText;
  static TextFacts kept;
  std::lock_guard lock(mutex);
  if (text != keptText) {
    kept = work(text);
    keptText = text;
  }
  return kept;
}

std::size_t trailingLineEndLength(std::string_view text) {
  if (text.ends_with("\r\n")) return 2;
  for (std::size_t n : {std::size_t{3}, std::size_t{2}, std::size_t{1}}) {
    if (text.size() >= n && lineEndAt(text.substr(text.size() - n)) == n) return n;
  }
  return 0;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t end = separator.empty() ? std::string_view::npos : text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, end - start));
    start = end + separator.size();
  }
}

std::int64_t leadingInt64(std::string_view text) { return leadingInt<std::int64_t>(text); }
std::int32_t leadingInt32(std::string_view text) { return leadingInt<std::int32_t>(text); }

float leadingFloat(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  // Only a number: the parser would also take "inf" and "nan".
  if (first == last || !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '-' || *first == '.'))
    return 0;
  float value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) {
    // Past the float's range: a negative exponent, or no whole part, is too small; anything else too large.
    const std::string_view number(first, static_cast<std::size_t>(end - first));
    const std::size_t e = number.find_first_of("eE");
    const bool tiny = e != std::string_view::npos ? e + 1 < number.size() && number[e + 1] == '-'
                                                  : leadingInt64(number) == 0;
    if (tiny) return 0;
    return *first == '-' ? std::numeric_limits<float>::lowest() : std::numeric_limits<float>::max();
  }
  if (error != std::errc()) return 0;
  return std::isfinite(value) ? value : 0;
}

}  // namespace vl::think
