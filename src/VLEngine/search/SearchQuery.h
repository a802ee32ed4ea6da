#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "VLEngine/search/CaseFoldScan.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/Text.h"

namespace vl {

// One query compiled for matching records: the two case-insensitive ICU patterns the search is
// defined by (the text pattern, "(part).*(part)" for a query with spaces, and the alias pattern
// "^query"), and a plan that reaches the same answers without ICU where that is provably the same.
//
// The plan applies to queries whose parts are printable ASCII. A text that holds none of the special
// characters that fold to the query's characters (see CaseFoldScan.h) is matched on its bytes, any
// other text on its folding: literals left to right without overlap, and for a query with spaces, per
// line, the match ICU's greedy ".*" settles on. Other queries run the ICU pattern, after a cheap test
// that drops texts which cannot match.
//
// Immutable once compiled; one instance serves every doc queue of a task at once.
class SearchQuery {
 public:
  struct Options {
    // False runs the ICU patterns for every text (the reference the fast plan is tested against).
    bool fastPath = true;
    // Milliseconds of ICU matching work per text; a query such as "e e e x" over a long line
    // backtracks for minutes. Hitting the limit counts as no match.
    std::int32_t timeLimitMs = 250;
  };

  // All matches of the text pattern in a text, in UTF-16 units.
  struct TextMatch {
    // Without groups one range per match; with groups the range of every group of every match.
    std::vector<Range> ranges;
    // Where the first match starts (its group 1 with groups).
    std::size_t firstLocation = 0;
    bool operator==(const TextMatch&) const = default;
  };

  static std::shared_ptr<const SearchQuery> compile(const std::string& query, Options options);
  static std::shared_ptr<const SearchQuery> compile(const std::string& query) {
    return compile(query, Options());
  }

  // The pattern texts: the parts split at every single space, escaped, and joined as "(%@)" with
  // ".*" between; a query without spaces is its escaped self.
  static std::string contextPattern(const std::string& query);
  // "^" and the escaped query, spaces included.
  static std::string aliasPattern(const std::string& query);
  static std::vector<std::string> splitParts(const std::string& query);

  std::optional<TextMatch> matchText(std::string_view text) const { return match(text, false); }
  // Where the first match starts (TextMatch::firstLocation), without finding the others. With
  // `wellFormed` the caller knows the text is well-formed UTF-8 (isWellFormedUtf8).
  std::optional<std::size_t> firstMatch(std::string_view text, bool wellFormed = false) const;
  // The same for a text whose traits are known (TextTraits::of): a text the traits rule out is not
  // read, and one without special characters that concern the query is scanned on its bytes alone.
  // `from` is where the scan may start (a hint from an earlier query, see hintsFrom; the start
  // without); `start`, when given, gets where the match starts, or the text's start where that is
  // not known.
  std::optional<std::size_t> firstMatch(std::string_view text, const TextTraits& traits, TextPosition from,
                                        TextPosition* start = nullptr) const;
  // Whether the byte offsets of `earlier`'s first matches bound this query's first matches from below,
  // so that a text `earlier` matched at byte b need not be scanned before b: true when both are one
  // literal on the byte plan and this one's folding begins with the earlier one's. (Every occurrence
  // of this literal in a text's bytes is one of the earlier literal, whose first match comes no later
  // than its first occurrence.)
  bool hintsFrom(const SearchQuery& earlier) const;
  // Whether every record `later` matches (text, alias or recognised text) is one `earlier` matches, so
  // that a search for `later` may look only at `earlier`'s matches. Holds for printable ASCII queries
  // where `later` extends `earlier`, unless the two letters on either side of the join can be one
  // character's folding (sharp s is "ss", the ligatures "ff", "fi", "fl" and "st"): "stras" does not
  // find "straße", "strass" does. Other queries are never narrowed.
  static bool narrows(std::string_view earlier, std::string_view later);
  // Whether the text pattern matches at all.
  bool containsMatch(std::string_view text) const { return firstMatch(text).has_value(); }
  bool matchAlias(std::string_view alias) const;
  // Whether the text pattern can be ruled out from a text's BigramSet::ofFolding (only queries on the
  // byte plan with a part of two characters or more); mayMatch is then false for a set that lacks
  // one of the parts' pairs, and such a text never matches.
  bool filtersByBigrams() const { return !bigrams_.empty(); }
  bool mayMatch(const BigramSet& text) const { return text.containsAll(bigrams_); }

  const std::string& query() const { return query_; }
  // Whether texts are matched on their bytes where possible.
  bool usesFastPlan() const { return fastPlan_; }

 private:
  SearchQuery() = default;
  void planFast();
  void planAnchors();

  // With `firstOnly` the ranges hold the first match only.
  std::optional<TextMatch> match(std::string_view text, bool firstOnly, bool wellFormed = false) const;
  std::optional<TextMatch> matchWithRegex(std::string_view text, bool firstOnly) const;
  // The byte plan over a text as bytes or as its folding (see SearchQuery.cpp).
  template <typename Subject>
  std::optional<TextMatch> matchSubject(const Subject& subject, std::string_view text, bool ascii,
                                        bool firstOnly, bool wellFormed) const;
  bool anchorsAllow(std::string_view text) const;

  std::string query_;
  std::vector<std::string> parts_;
  std::shared_ptr<const Regex> contextRegex_;
  std::shared_ptr<const Regex> aliasRegex_;

  // The byte plan.
  bool fastPlan_ = false;
  std::vector<AsciiFoldNeedle> needles_;  // one per part, empty for an empty part
  SpecialsScanner specials_;
  bool aliasFast_ = false;
  AsciiFoldNeedle aliasNeedle_;
  // The pairs and the bytes of every part's folding: each part must occur in a matching text (on one
  // line).
  BigramSet bigrams_;
  AsciiBytes bytes_;

  // Necessary conditions for any other query: for each part, an ASCII stretch of its folding (found
  // without case, or possibly hidden behind a special character) or a character that only matches
  // itself.
  struct Anchor {
    AsciiFoldNeedle ascii;
    SpecialsScanner specials;
    std::string literal;
  };
  std::vector<Anchor> anchors_;
};

}  // namespace vl
