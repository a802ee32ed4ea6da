#include "think/TextScan.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

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
