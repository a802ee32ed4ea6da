#pragma once

#include <unicode/uversion.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Text.h"

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace vl {

struct RegexOptions {
  bool caseInsensitive = false;
  // ^ and $ match at line ends.
  bool multiline = false;
  // . matches line ends too.
  bool dotAll = false;
  // Treat the pattern as a literal text.
  bool literal = false;
  // Milliseconds of matching work per search; 0 means no limit. User-written patterns should have one.
  std::int32_t timeLimitMs = 0;
};

// One match: the whole match first, then one range per capture group, all in UTF-16 units of the
// subject. A group that did not take part has Range::NotFound.
struct RegexMatch {
  std::vector<Range> ranges;
  const Range& range() const { return ranges.front(); }
  Range group(std::size_t index) const { return index < ranges.size() ? ranges[index] : Range(); }
};

// The outcome of a search. `timedOut` tells a cut-off search apart from a plain miss; a cut-off search
// reports the matches it found before the limit.
struct RegexSearch {
  std::vector<RegexMatch> matches;
  bool timedOut = false;
  bool failed = false;  // an ICU error other than the time limit (logged)
};

// An ICU regular expression compiled once and shareable between threads: every search creates its own
// matcher, so one Regex may be used from many threads at the same time.
//
// The time limit is given in milliseconds of matching work and is enforced by ICU's match callback,
// so a pattern that would backtrack for minutes ("(a+)+$") stops, counts as no match and is logged once
// per search.
class Regex {
 public:
  // A compile error gives nullptr and sets `error` (if given) to a text naming the error and its
  // offset; the error is logged too.
  static std::shared_ptr<const Regex> compile(std::string_view pattern, RegexOptions options = {},
                                              std::string* error = nullptr);

  ~Regex();
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;

  const std::string& pattern() const { return pattern_; }
  std::size_t groupCount() const { return groups_; }

  // RegexOptions::timeLimitMs as made; 0 means no limit.
  std::int32_t timeLimitMs() const { return timeLimitMs_.load(); }

  // The first match at or after UTF-16 index `from`.
  std::optional<RegexMatch> firstMatch(std::string_view subject, std::size_t from = 0,
                                       bool* timedOut = nullptr) const;
  // Every non-overlapping match, at most `limit` (0 = all).
  RegexSearch allMatches(std::string_view subject, std::size_t limit = 0) const;
  // The same over a subject already converted, for callers that search one text with many patterns.
  RegexSearch allMatchesInUnicode(const icu::UnicodeString& subject, std::size_t limit = 0) const;
  bool matches(std::string_view subject, bool* timedOut = nullptr) const;

  // The pattern text that matches `text` literally (metacharacters escaped with a backslash).
  static std::string escapeForLiteral(std::string_view text);

 private:
  Regex() = default;
  std::string pattern_;
  std::unique_ptr<icu::RegexPattern> compiled_;
  std::size_t groups_ = 0;
  std::atomic<std::int32_t> timeLimitMs_{0};
};

}  // namespace vl
