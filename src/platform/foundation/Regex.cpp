#include "platform/foundation/Regex.h"

#include <unicode/regex.h>
#include <unicode/utypes.h>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Shortens long user patterns and texts in log lines.
std::string clip(std::string_view text) {
  return text.size() <= 80 ? std::string(text) : cutToUtf16Length(text, 80) + "…";
}

RegexMatch matchOf(icu::RegexMatcher& m, std::size_t groups, UErrorCode& status) {
  RegexMatch match;
  match.ranges.reserve(groups + 1);
  for (std::size_t g = 0; g <= groups; ++g) {
    int32_t start = m.start(static_cast<int32_t>(g), status);
    int32_t end = m.end(static_cast<int32_t>(g), status);
    if (U_FAILURE(status) || start < 0 || end < start)
      match.ranges.emplace_back();
    else
      match.ranges.emplace_back(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
  }
  return match;
}

}  // namespace

Regex::~Regex() = default;

std::shared_ptr<const Regex> Regex::compile(std::string_view pattern, RegexOptions options,
                                            std::string* error) {
  uint32_t flags = 0;
  if (options.caseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
  if (options.multiline) flags |= UREGEX_MULTILINE;
  if (options.dotAll) flags |= UREGEX_DOTALL;
  if (options.literal) flags |= UREGEX_LITERAL;
  UParseError parseError{};
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(toUnicodeString(pattern), flags, parseError, status));
  if (U_FAILURE(status) || !compiled) {
    std::string text = std::string(u_errorName(status)) + " at offset " + std::to_string(parseError.offset);
    logWarningf("regex: cannot compile \"%s\": %s", clip(pattern).c_str(), text.c_str());
    if (error) *error = text;
    return nullptr;
  }
  std::shared_ptr<Regex> regex(new Regex());
  regex->pattern_ = std::string(pattern);
  // Probe the group count once with a throw-away matcher; the pattern itself is immutable from here on.
  std::unique_ptr<icu::RegexMatcher> probe(compiled->matcher(status));
  regex->groups_ = (U_SUCCESS(status) && probe) ? static_cast<std::size_t>(probe->groupCount()) : 0;
  regex->compiled_ = std::move(compiled);
  regex->timeLimitMs_ = options.timeLimitMs > 0 ? options.timeLimitMs : 0;
  if (error) error->clear();
  return regex;
}

std::optional<RegexMatch> Regex::firstMatch(std::string_view subject, std::size_t from,
                                            bool* timedOut) const {
  if (timedOut) *timedOut = false;
  icu::UnicodeString text = toUnicodeString(subject);
  if (from > static_cast<std::size_t>(text.length())) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> m(compiled_->matcher(text, status));
  if (U_FAILURE(status) || !m) return std::nullopt;
  const std::int32_t limit = timeLimitMs_.load();
  if (limit > 0) m->setTimeLimit(limit, status);
  bool found = m->find(static_cast<int64_t>(from), status);
  if (status == U_REGEX_TIME_OUT) {
    logWarningf("regex: \"%s\" stopped after its time limit of %d ms; treated as no match",
                clip(pattern_).c_str(), limit);
    if (timedOut) *timedOut = true;
    return std::nullopt;
  }
  if (U_FAILURE(status) || !found) return std::nullopt;
  RegexMatch match = matchOf(*m, groups_, status);
  return match;
}

RegexSearch Regex::allMatches(std::string_view subject, std::size_t limit) const {
  return allMatchesInUnicode(toUnicodeString(subject), limit);
}

RegexSearch Regex::allMatchesInUnicode(const icu::UnicodeString& subject, std::size_t maxMatches) const {
  RegexSearch result;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> m(compiled_->matcher(subject, status));
  if (U_FAILURE(status) || !m) {
    result.failed = true;
    logWarningf("regex: cannot search with \"%s\": %s", clip(pattern_).c_str(), u_errorName(status));
    return result;
  }
  const std::int32_t limit = timeLimitMs_.load();
  if (limit > 0) m->setTimeLimit(limit, status);
  while (m->find(status)) {
    result.matches.push_back(matchOf(*m, groups_, status));
    if (maxMatches && result.matches.size() >= maxMatches) break;
  }
  if (status == U_REGEX_TIME_OUT) {
    result.timedOut = true;
    logWarningf("regex: \"%s\" stopped after its time limit of %d ms; treated as no match",
                clip(pattern_).c_str(), limit);
  } else if (U_FAILURE(status)) {
    result.failed = true;
    logWarningf("regex: search with \"%s\" failed: %s", clip(pattern_).c_str(), u_errorName(status));
  }
  return result;
}

bool Regex::matches(std::string_view subject, bool* timedOut) const {
  return firstMatch(subject, 0, timedOut).has_value();
}

std::string Regex::escapeForLiteral(std::string_view text) {
  static constexpr std::string_view kMeta = "\\*?+[](){}^$|./-";
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (kMeta.find(c) != std::string_view::npos) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

}  // namespace vl
