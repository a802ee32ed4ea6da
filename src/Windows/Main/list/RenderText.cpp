#include "Windows/Main/list/RenderText.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>

#include <algorithm>
#include <optional>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Units read past the limit, so that a cut at the limit can see whether a character goes on beyond it.
constexpr std::size_t kLookAhead = 32;
const char* const kEllipsis = "\u2026";

void blankLineEnds(std::string& text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
}

// The visible start of the text, as UTF-16 with line ends blanked, and where characters begin in it.
class Prefix {
 public:
  Prefix(std::string_view text, std::size_t units) {
    const std::size_t bytes = byteOffsetOfUtf16Index(text, units);
    units_ = toUtf16(text.substr(0, bytes));
    whole_ = bytes >= text.size();
    for (char16_t& c : units_) {
      if (c == u'\n' || c == u'\r') c = u' ';
    }
  }

  std::size_t size() const { return units_.size(); }
  // The whole text is in the prefix; otherwise it goes on past size().
  bool whole() const { return whole_; }

  // The last boundary between user-perceived characters at or before `index`.
  std::size_t characterCut(std::size_t index) const {
    if (index >= units_.size()) return units_.size();
    static thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
      UErrorCode status = U_ZERO_ERROR;
      std::unique_ptr<icu::BreakIterator> it(
          icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
      if (U_FAILURE(status)) it.reset();
      return it;
    }();
    if (!iterator) return codePointCut(index);
    icu::UnicodeString alias(false, units_.data(), static_cast<int32_t>(units_.size()));
    iterator->setText(alias);
    const auto at = static_cast<int32_t>(index);
    // A position that is no boundary leaves the iterator on the next one; the one before is the cut.
    const std::size_t cut =
        iterator->isBoundary(at) ? index : static_cast<std::size_t>(std::max(0, iterator->previous()));
    iterator->setText(icu::UnicodeString());
    return cut;
  }

  // `index` moved back off the second half of a surrogate pair.
  std::size_t codePointCut(std::size_t index) const {
    if (index >= units_.size()) return units_.size();
    if (index > 0 && U16_IS_TRAIL(units_[index]) && U16_IS_LEAD(units_[index - 1])) return index - 1;
    return index;
  }

  std::string text(std::size_t from, std::size_t to) const {
    to = std::min(to, units_.size());
    if (from >= to) return {};
    return fromUtf16(std::u16string_view(units_).substr(from, to - from));
  }

 private:
  std::u16string units_;
  bool whole_ = false;
};

// The ranges a row of `limit` units can show: those starting within the limit and the first one after
// it, sorted and with overlaps merged. Reads every range once and sorts only the few it keeps.
std::vector<Range> visibleRanges(const std::vector<Range>& ranges, std::size_t limit) {
  std::vector<Range> kept;
  std::optional<Range> beyond;
  for (const Range& r : ranges) {
    if (!r.found() || r.length == 0 || r.end() < r.location) continue;
    if (r.location <= limit) {
      kept.push_back(r);
    } else if (!beyond || r.location < beyond->location ||
               (r.location == beyond->location && r.length > beyond->length)) {
      beyond = r;
    }
  }
  std::sort(kept.begin(), kept.end(), [](const Range& a, const Range& b) { return a.location < b.location; });
  if (beyond) kept.push_back(*beyond);
  std::vector<Range> merged;
  for (const Range& r : kept) {
    if (!merged.empty() && r.location < merged.back().end()) {
      Range& last = merged.back();
      last.length = std::max(last.end(), r.end()) - last.location;
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

}  // namespace

void PrintTo(const RenderText& run, std::ostream* out) {
  *out << (run.partMatched ? "~" : run.matched ? "*" : "") << '"' << run.string << '"';
}

std::vector<RenderText> renderTextsOf(std::string_view text, const std::vector<Range>& ranges,
                                      std::size_t maxLength) {
  const std::size_t M = maxLength;
  const Prefix s(text, M + kLookAhead);
  const std::size_t limit = s.whole() ? std::min(M, s.size()) : M;
  std::vector<RenderText> runs;

  // Ranges inside the prefix are checked against it; the one beyond it is checked when it is read.
  std::vector<Range> matches;
  for (Range r : visibleRanges(ranges, M)) {
    if (s.whole() && r.location >= s.size()) {
      logWarningf("row text: a matched range at %zu lies outside a text of %zu units; ignored", r.location,
                  s.size());
      continue;
    }
    if (s.whole() && r.end() > s.size()) r.length = s.size() - r.location;
    matches.push_back(r);
  }

  if (matches.empty()) {
    runs.push_back(RenderText::ofString(s.text(0, s.characterCut(limit)), false));
    return runs;
  }

  std::size_t a = 0;
  for (std::size_t i = 0; i < matches.size(); ++i) {
    const std::size_t e = s.codePointCut(matches[i].location);
    const std::size_t L = matches[i].length;
    const std::size_t f = matches[i].end();
    if (f <= M) {
      const std::size_t end = s.codePointCut(f);
      if (e > a) runs.push_back(RenderText::ofString(s.text(a, e), false));
      runs.push_back(RenderText::ofString(s.text(e, end), true));
      if (i + 1 == matches.size()) {
        const std::size_t tail = std::max(end, s.characterCut(limit));
        if (tail > end) runs.push_back(RenderText::ofString(s.text(end, tail), false));
      }
      a = end;
      continue;
    }
    if (runs.empty()) {
      // The first match lies past the limit: as much of the start as leaves room for it, then the match.
      std::string match = substringWithRange(text, Range(matches[i].location, std::min(L, M)));
      if (match.empty()) {
        logWarningf("row text: a matched range at %zu lies outside the text; ignored", matches[i].location);
        runs.push_back(RenderText::ofString(s.text(0, s.characterCut(limit)), false));
        return runs;
      }
      blankLineEnds(match);
      const std::size_t v = std::min(L, f - M);
      const std::size_t lead = M > v ? M - v - 1 : 0;
      runs.push_back(RenderText::ofString(s.text(0, s.characterCut(lead)) + kEllipsis, false));
      runs.push_back(RenderText::ofString(std::move(match), true));
    } else if (e > M) {
      const std::size_t cut = std::max(a, s.characterCut(M));
      if (runs.back().matched) {
        if (cut > a) runs.push_back(RenderText::ofString(s.text(a, cut), false));
      } else {
        runs.back().string += s.text(a, cut);
      }
    } else {
      if (e > a) runs.push_back(RenderText::ofString(s.text(a, e), false));
      const std::size_t cut = std::max(e, s.characterCut(M));
      RenderText part = RenderText::ofString(s.text(e, cut), true);
      part.partMatched = true;
      runs.push_back(std::move(part));
    }
    break;
  }
  return runs;
}

}  // namespace vl
