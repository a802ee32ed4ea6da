#include "platform/richtext/HtmlStartTags.h"

namespace vl::ui {

namespace {

bool isTagSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool isTagNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Reads one start tag from just past its name; `at` ends on its ">" (or the end of the text). The place
// where attribute number `keep` + 1 begins, or npos when the tag has no more than `keep`.
std::size_t attributesPast(std::string_view html, std::size_t& at, std::size_t keep) {
  const std::size_t n = html.size();
  std::size_t count = 0;
  std::size_t cut = std::string_view::npos;
  while (at < n) {
    while (at < n && (isTagSpace(html[at]) || html[at] == '/')) ++at;
    if (at >= n || html[at] == '>') break;
    const std::size_t start = at;
    while (at < n && !isTagSpace(html[at]) && html[at] != '>' && html[at] != '/' && html[at] != '=') ++at;
    if (at == start) ++at;  // a stray "=": the parser passes over it too
    while (at < n && isTagSpace(html[at])) ++at;
    if (at < n && html[at] == '=') {
      ++at;
      while (at < n && isTagSpace(html[at])) ++at;
      if (at < n && (html[at] == '"' || html[at] == '\'')) {
        const std::size_t close = html.find(html[at], at + 1);
        at = close == std::string_view::npos ? n : close + 1;
      } else {
        while (at < n && !isTagSpace(html[at]) && html[at] != '>') ++at;
      }
    }
    if (++count == keep + 1) cut = start;
  }
  return cut;
}

}  // namespace

std::optional<std::string> capStartTagAttributes(std::string_view html, std::size_t maxAttributes) {
  std::optional<std::string> out;
  std::size_t copied = 0;
  const std::size_t n = html.size();
  for (std::size_t at = html.find('<'); at != std::string_view::npos && at + 1 < n; at = html.find('<', at)) {
    const char next = html[at + 1];
    if (next == '!') {
      const bool comment = html.compare(at, 4, "<!--") == 0;
      const std::size_t end = comment ? html.find("-->", at + 4) : html.find('>', at + 2);
      at = end == std::string_view::npos ? n : end + (comment ? 3 : 1);
      continue;
    }
    if (!isTagNameStart(next)) {
      ++at;
      continue;
    }
    at += 2;
    while (at < n && !isTagSpace(html[at]) && html[at] != '>' && html[at] != '/') ++at;
    const std::size_t cut = attributesPast(html, at, maxAttributes);
    if (cut == std::string_view::npos) continue;
    if (!out) {
      out.emplace();
      out->reserve(n);
    }
    out->append(html.substr(copied, cut - copied));
    copied = at;  // the tag goes on at its ">"
  }
  if (out) out->append(html.substr(copied));
  return out;
}

}  // namespace vl::ui
