#include "VLEngine/search/SearchQuery.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <cstring>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

bool isPrintableAscii(std::string_view text, unsigned char lowest) {
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c < lowest || c > 0x7E) return false;
  }
  return true;
}

std::vector<char32_t> codePointsOf(const icu::UnicodeString& text) {
  std::vector<char32_t> out;
  for (int32_t i = 0; i < text.length();) {
    UChar32 c = text.char32At(i);
    out.push_back(static_cast<char32_t>(c));
    i += U16_LENGTH(c);
  }
  return out;
}

// A text seen as bytes: one without special characters that concern the query, whose ASCII bytes
// are its characters.
class PlainSubject {
 public:
  PlainSubject(std::string_view text, bool ascii) : text_(text), ascii_(ascii) {}
  std::string_view bytes() const { return text_; }
  bool aligned(std::size_t, std::size_t) const { return true; }
  std::size_t textOffset(std::size_t at) const { return at; }
  // The end of the line from `from` at the first of U+000A..U+000D, U+0085, U+2028 and U+2029;
  // `next` gets where the next line starts (npos after the last).
  std::size_t lineEnd(std::size_t from, std::size_t& next) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    for (std::size_t at = from; (at = findLineBreakByte(text_, at, !ascii_)) != AsciiFoldNeedle::npos; ++at) {
      const unsigned char c = s[at];
      std::size_t length = 0;
      if (c <= 0x0D) {
        length = 1;
      } else if (c == 0xC2 && at + 1 < n && s[at + 1] == 0x85) {
        length = 2;
      } else if (c == 0xE2 && at + 2 < n && s[at + 1] == 0x80 && (s[at + 2] == 0xA8 || s[at + 2] == 0xA9)) {
        length = 3;
      }
      if (length) {
        next = at + length;
        return at;
      }
    }
    next = AsciiFoldNeedle::npos;
    return n;
  }

 private:
  std::string_view text_;
  bool ascii_;
};

// A text seen through its folding, where every line end is one of U+000A..U+000D.
class FoldedSubject {
 public:
  explicit FoldedSubject(const FoldedText& folded) : folded_(folded) {}
  std::string_view bytes() const { return folded_.bytes(); }
  bool aligned(std::size_t from, std::size_t to) const { return folded_.aligned(from, to); }
  std::size_t textOffset(std::size_t at) const { return folded_.textOffset(at); }
  std::size_t lineEnd(std::size_t from, std::size_t& next) const {
    const std::string& b = folded_.bytes();
    const std::size_t at = findLineBreakByte(b, from, false);
    next = at == AsciiFoldNeedle::npos ? at : at + 1;
    return at == AsciiFoldNeedle::npos ? b.size() : at;
  }

 private:
  const FoldedText& folded_;
};

template <typename Subject>
std::size_t findAligned(const AsciiFoldNeedle& needle, const Subject& subject, std::size_t from,
                        std::size_t to) {
  const std::size_t m = needle.size();
  for (std::size_t at = needle.find(subject.bytes(), from, to); at != AsciiFoldNeedle::npos;
       at = needle.find(subject.bytes(), at + 1, to)) {
    if (subject.aligned(at, at + m)) return at;
  }
  return AsciiFoldNeedle::npos;
}

template <typename Subject>
std::size_t rfindAligned(const AsciiFoldNeedle& needle, const Subject& subject, std::size_t from,
                         std::size_t to) {
  const std::size_t m = needle.size();
  for (std::size_t end = to;;) {
    const std::size_t at = needle.rfind(subject.bytes(), from, end);
    if (at == AsciiFoldNeedle::npos || subject.aligned(at, at + m)) return at;
    end = at + m - 1;  // candidates starting before `at`
  }
}

}  // namespace

std::vector<std::string> SearchQuery::splitParts(const std::string& query) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t space = query.find(' ', start);
    if (space == std::string::npos) {
      parts.push_back(query.substr(start));
      return parts;
    }
    parts.push_back(query.substr(start, space - start));
    start = space + 1;
  }
}

std::string SearchQuery::contextPattern(const std::string& query) {
  std::vector<std::string> parts = splitParts(query);
  if (parts.size() == 1) return Regex::escapeForLiteral(query);
  std::string pattern;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) pattern += ".*";
    pattern += "(" + Regex::escapeForLiteral(parts[i]) + ")";
  }
  return pattern;
}

std::string SearchQuery::aliasPattern(const std::string& query) {
  return "^" + Regex::escapeForLiteral(query);
}

std::shared_ptr<const SearchQuery> SearchQuery::compile(const std::string& query, Options options) {
  std::shared_ptr<SearchQuery> q(new SearchQuery());
  q->query_ = query;
  q->parts_ = splitParts(query);
  RegexOptions context;
  context.caseInsensitive = true;
  context.timeLimitMs = options.timeLimitMs;
  q->contextRegex_ = Regex::compile(contextPattern(query), context);
  RegexOptions alias;
  alias.caseInsensitive = true;
  q->aliasRegex_ = Regex::compile(aliasPattern(query), alias);
  if (!q->contextRegex_ || !q->aliasRegex_)
    logDebugf("search: the query of %zu bytes gives no pattern", query.size());
  if (options.fastPath) {
    q->planFast();
    if (!q->fastPlan_) q->planAnchors();
  }
  return q;
}

void SearchQuery::planFast() {
  bool anyText = false;
  for (const auto& part : parts_) {
    if (!isPrintableAscii(part, 0x21)) return;
    anyText = anyText || !part.empty();
  }
  // Only empty parts ("", " ", "  "): ICU's zero-length matches are left to ICU.
  if (!anyText) return;
  std::vector<std::string> folded;
  for (const auto& part : parts_) {
    needles_.emplace_back(part);
    folded.push_back(needles_.back().folded());
    bigrams_.addPairsOf(needles_.back().folded());
    for (char c : needles_.back().folded()) bytes_.add(static_cast<unsigned char>(c));
  }
  specials_ = SpecialsScanner::forLiterals(folded);
  fastPlan_ = true;
  if (!query_.empty() && isPrintableAscii(query_, 0x20)) {
    aliasFast_ = true;
    aliasNeedle_ = AsciiFoldNeedle(query_);
  }
}

void SearchQuery::planAnchors() {
  const FoldSpecials& specials = FoldSpecials::shared();
  auto asciiAnchor = [](const std::string& run) {
    Anchor anchor;
    anchor.ascii = AsciiFoldNeedle(run);
    AsciiSet chars;
    for (char c : anchor.ascii.folded()) chars.set(static_cast<unsigned char>(c));
    anchor.specials = SpecialsScanner(chars);
    return anchor;
  };
  auto literalAnchor = [](char32_t cp) {
    Anchor anchor;
    anchor.literal = fromUnicodeString(icu::UnicodeString(static_cast<UChar32>(cp)));
    return anchor;
  };
  for (const auto& part : parts_) {
    if (part.empty()) continue;
    icu::UnicodeString folded = toUnicodeString(part);
    folded.foldCase();
    std::vector<char32_t> cps = codePointsOf(folded);
    if (cps.empty()) continue;
    if (cps.size() == 1) {
      if (cps[0] < 0x80) {
        anchors_.push_back(asciiAnchor(std::string(1, static_cast<char>(cps[0]))));
      } else if (specials.isIsolated(cps[0])) {
        anchors_.push_back(literalAnchor(cps[0]));
      }
      continue;
    }
    std::string longest, run;
    char32_t isolated = 0;
    for (char32_t cp : cps) {
      if (cp < 0x80) {
        run.push_back(static_cast<char>(cp));
        if (run.size() > longest.size()) longest = run;
        continue;
      }
      run.clear();
      if (!isolated && specials.isIsolated(cp)) isolated = cp;
    }
    if (longest.size() >= 2) anchors_.push_back(asciiAnchor(longest));
    if (isolated) anchors_.push_back(literalAnchor(isolated));
    if (longest.size() == 1 && !isolated) anchors_.push_back(asciiAnchor(longest));
  }
}

bool SearchQuery::anchorsAllow(std::string_view text) const {
  int ascii = -1;
  for (const auto& anchor : anchors_) {
    if (!anchor.literal.empty()) {
      if (!::memmem(text.data(), text.size(), anchor.literal.data(), anchor.literal.size())) return false;
      continue;
    }
    if (anchor.ascii.find(text) != AsciiFoldNeedle::npos) continue;
    if (ascii < 0) ascii = isAsciiText(text) ? 1 : 0;
    if (ascii == 1 || !anchor.specials.containsAny(text)) return false;
  }
  return true;
}

std::optional<std::size_t> SearchQuery::firstMatch(std::string_view text, bool wellFormed) const {
  std::optional<TextMatch> first = match(text, true, wellFormed);
  if (!first) return std::nullopt;
  return first->firstLocation;
}

std::optional<std::size_t> SearchQuery::firstMatch(std::string_view text, const TextTraits& traits,
                                                   TextPosition from, TextPosition* start) const {
  if (start) *start = TextPosition();
  if (!fastPlan_ || !contextRegex_) return firstMatch(text, traits.wellFormed);
  if (!traits.bytes.containsAll(bytes_) || !traits.bigrams.containsAll(bigrams_)) return std::nullopt;
  if ((traits.specials & specials_.mask()) != 0) return firstMatch(text, traits.wellFormed);
  // No character of the text folds into the query: its bytes are the whole story.
  if (parts_.size() == 1) {
    if (from.byte > text.size()) from = TextPosition();
    const std::size_t at = needles_.front().find(text, from.byte);
    if (at == AsciiFoldNeedle::npos) return std::nullopt;
    std::size_t unit = at;
    if (!traits.ascii) {
      Utf16Cursor cursor(text, false, traits.wellFormed);
      cursor.startAt(from);
      unit = cursor.indexOf(at);
    }
    if (start && at <= UINT32_MAX && unit <= UINT32_MAX)
      *start = TextPosition{static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(unit)};
    return unit;
  }
  for (const auto& needle : needles_) {
    if (!needle.empty() && needle.find(text) == AsciiFoldNeedle::npos) return std::nullopt;
  }
  std::optional<TextMatch> first =
      matchSubject(PlainSubject(text, traits.ascii), text, traits.ascii, true, traits.wellFormed);
  if (!first) return std::nullopt;
  return first->firstLocation;
}

bool SearchQuery::narrows(std::string_view earlier, std::string_view later) {
  if (earlier.empty() || later.size() <= earlier.size() || !later.starts_with(earlier)) return false;
  for (char c : later) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  const std::string join{lower(earlier.back()), lower(later[earlier.size()])};
  for (std::string_view folding : {"ss", "ff", "fi", "fl", "st"}) {
    if (join == folding) return false;
  }
  return true;
}

bool SearchQuery::hintsFrom(const SearchQuery& earlier) const {
  return fastPlan_ && earlier.fastPlan_ && parts_.size() == 1 && earlier.parts_.size() == 1 &&
         needles_.front().folded().starts_with(earlier.needles_.front().folded());
}

std::optional<SearchQuery::TextMatch> SearchQuery::match(std::string_view text, bool firstOnly,
                                                         bool wellFormed) const {
  if (!contextRegex_) return std::nullopt;
  if (!fastPlan_) {
    if (!anchorsAllow(text)) return std::nullopt;
    return matchWithRegex(text, firstOnly);
  }
  if (firstOnly && needles_.size() == 1) {
    // Where only the first match counts, the first byte match at `at` bounds it, and an earlier match
    // through a special character begins before `at` and spans at most m characters of at most four
    // bytes each: it lies within the first at + 4m bytes. The rest of the text is never looked at,
    // which spares most matching texts the scans of their whole length.
    const std::size_t m = needles_.front().size();
    const std::size_t at = needles_.front().find(text);
    if (at != AsciiFoldNeedle::npos) {
      std::size_t reach = std::min(text.size(), at + 4 * m);
      while (reach < text.size() && (static_cast<unsigned char>(text[reach]) & 0xC0) == 0x80) ++reach;
      text = text.substr(0, reach);
    }
  }
  bool allFound = true;
  for (const auto& needle : needles_) {
    if (!needle.empty() && needle.find(text) == AsciiFoldNeedle::npos) {
      allFound = false;
      break;
    }
  }
  if (!specials_.containsAny(text)) {
    if (!allFound) return std::nullopt;
    const bool ascii = isAsciiText(text);
    return matchSubject(PlainSubject(text, ascii), text, ascii, firstOnly, wellFormed);
  }
  // A character that folds to the query's letters: match on the text's folding instead of its bytes.
  thread_local FoldedText folded;
  folded.assign(text);
  return matchSubject(FoldedSubject(folded), text, false, firstOnly, wellFormed);
}

std::optional<SearchQuery::TextMatch> SearchQuery::matchWithRegex(std::string_view text,
                                                                  bool firstOnly) const {
  RegexSearch search = contextRegex_->allMatchesInUnicode(toUnicodeString(text), firstOnly ? 1 : 0);
  if (search.timedOut || search.failed || search.matches.empty()) return std::nullopt;
  TextMatch out;
  const std::size_t groups = contextRegex_->groupCount();
  for (const auto& match : search.matches) {
    if (groups == 0) {
      out.ranges.push_back(match.range());
      continue;
    }
    for (std::size_t g = 1; g <= groups; ++g) out.ranges.push_back(match.group(g));
  }
  out.firstLocation =
      groups == 0 ? search.matches.front().range().location : search.matches.front().group(1).location;
  return out;
}

template <typename Subject>
std::optional<SearchQuery::TextMatch> SearchQuery::matchSubject(const Subject& subject, std::string_view text,
                                                                bool ascii, bool firstOnly,
                                                                bool wellFormed) const {
  TextMatch out;
  Utf16Cursor cursor(text, ascii, wellFormed);
  auto addRange = [&](std::size_t from, std::size_t to) {
    const std::size_t location = cursor.indexOf(subject.textOffset(from));
    out.ranges.emplace_back(location, cursor.indexOf(subject.textOffset(to)) - location);
  };
  if (parts_.size() == 1) {
    const AsciiFoldNeedle& needle = needles_.front();
    const std::size_t m = needle.size();
    for (std::size_t at = findAligned(needle, subject, 0, AsciiFoldNeedle::npos); at != AsciiFoldNeedle::npos;
         at = findAligned(needle, subject, at + m, AsciiFoldNeedle::npos)) {
      addRange(at, at + m);
      if (firstOnly) break;
    }
  } else {
    // "(P1).*(P2)...(Pn)": "." stops at line ends, so each line holds at most one match, and ICU's
    // backtracking settles on the largest positions for P2..Pn (Pn's last occurrence, then P(n-1)'s
    // last one ending before it, ...) and the leftmost P1 that ends before P2. An empty part matches
    // where the next part starts (the line end for the last).
    const std::size_t partCount = needles_.size();
    std::vector<std::size_t> starts(partCount);
    // Only lines that hold the last non-empty part can match; the scan jumps from one of its
    // occurrences to the next and looks at that line alone.
    std::size_t anchor = partCount - 1;
    while (needles_[anchor].empty()) --anchor;
    std::size_t lineStart = 0;
    for (;;) {
      const std::size_t hit = findAligned(needles_[anchor], subject, lineStart, AsciiFoldNeedle::npos);
      if (hit == AsciiFoldNeedle::npos) break;
      std::size_t next = AsciiFoldNeedle::npos;
      std::size_t lineEnd = subject.lineEnd(lineStart, next);
      while (lineEnd < hit && next != AsciiFoldNeedle::npos) {
        lineStart = next;
        lineEnd = subject.lineEnd(lineStart, next);
      }
      bool found = true;
      std::size_t bound = lineEnd;
      for (std::size_t k = partCount - 1; k >= 1; --k) {
        if (!needles_[k].empty()) {
          bound = rfindAligned(needles_[k], subject, lineStart, bound);
          if (bound == AsciiFoldNeedle::npos) {
            found = false;
            break;
          }
        }
        starts[k] = bound;
      }
      if (found) {
        starts[0] = needles_[0].empty() ? lineStart : findAligned(needles_[0], subject, lineStart, bound);
        if (starts[0] != AsciiFoldNeedle::npos) {
          for (std::size_t k = 0; k < partCount; ++k) addRange(starts[k], starts[k] + needles_[k].size());
          if (firstOnly) break;
        }
      }
      if (next == AsciiFoldNeedle::npos) break;
      lineStart = next;
    }
  }
  if (out.ranges.empty()) return std::nullopt;
  out.firstLocation = out.ranges.front().location;
  return out;
}

bool SearchQuery::matchAlias(std::string_view alias) const {
  if (aliasFast_) {
    const std::size_t m = aliasNeedle_.size();
    if (isAsciiText(alias)) {
      return alias.size() >= m &&
             aliasNeedle_.matchesAt(reinterpret_cast<const unsigned char*>(alias.data()));
    }
    thread_local FoldedText folded;
    folded.assign(alias);
    const std::string& bytes = folded.bytes();
    return bytes.size() >= m && folded.aligned(0, m) &&
           aliasNeedle_.matchesAt(reinterpret_cast<const unsigned char*>(bytes.data()));
  }
  if (!aliasRegex_) return false;
  return aliasRegex_->matches(alias);
}

}  // namespace vl
