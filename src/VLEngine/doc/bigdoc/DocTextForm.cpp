#include "VLEngine/doc/bigdoc/DocTextForm.h"

#include <cstring>

namespace vl::doctext {

namespace {

// Every separator starts with '^' and the marker with ESC, so a text without either byte (nearly
// every text) is settled by two memchr scans.
bool needsEscape(std::string_view text, bool words) {
  const bool hasCaret = std::memchr(text.data(), '^', text.size()) != nullptr;
  const bool hasEsc = std::memchr(text.data(), '\x1B', text.size()) != nullptr;
  if (!hasCaret && !hasEsc) return false;
  if (hasEsc && text.find(kEscapeMarker) != std::string_view::npos) return true;
  if (!hasCaret) return false;
  return text.find(kFieldSeparator) != std::string_view::npos ||
         text.find(kChunkSeparator) != std::string_view::npos ||
         (words && text.find(kWordSeparator) != std::string_view::npos);
}

// After the marker no '^' is left, so no separator can appear inside an escaped field.
std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(kEscapeMarker.size() + text.size() + 16);
  out.append(kEscapeMarker);
  for (char c : text) {
    if (c == '%') {
      out.append("%25");
    } else if (c == '^') {
      out.append("%5E");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string escapeField(std::string_view text) {
  return needsEscape(text, false) ? escaped(text) : std::string(text);
}

std::string escapeWord(std::string_view text) {
  return needsEscape(text, true) ? escaped(text) : std::string(text);
}

std::string unescape(std::string_view text) {
  if (text.substr(0, kEscapeMarker.size()) != kEscapeMarker) return std::string(text);
  std::string_view body = text.substr(kEscapeMarker.size());
  std::string out;
  out.reserve(body.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '%' && i + 2 < body.size() && body[i + 1] == '2' && body[i + 2] == '5') {
      out.push_back('%');
      i += 2;
    } else if (body[i] == '%' && i + 2 < body.size() && body[i + 1] == '5' && body[i + 2] == 'E') {
      out.push_back('^');
      i += 2;
    } else {
      out.push_back(body[i]);
    }
  }
  return out;
}

Piece nextPiece(std::string_view text, std::size_t from, std::string_view separator) {
  std::size_t at = text.find(separator, from);
  if (at == std::string_view::npos) return {text.substr(from), std::string_view::npos};
  return {text.substr(from, at - from), at + separator.size()};
}

}  // namespace vl::doctext
