#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Text.h"

namespace vl {

// One run of a row's text: plain, or a matched part of the search drawn as a pill. `partMatched` marks
// a match cut at the row's length limit.
struct RenderText {
  bool matched = false;
  bool partMatched = false;
  std::string string;

  static RenderText ofString(std::string string, bool matched) { return {matched, false, std::move(string)}; }
  bool operator==(const RenderText&) const = default;
};

// For test messages: `"text"` with a leading `*` for a match and `~` for a cut match.
void PrintTo(const RenderText& run, std::ostream* out);

// Turns a row's text and its matched ranges (UTF-16 units) into runs that fit one line of at most
// `maxLength` units. Only the part of the text that can show is read, so a 10 MB record costs what a
// short one does. Line ends become blanks; cuts fall on character boundaries (a base letter keeps its
// combining marks, a surrogate pair stays whole). Ranges outside the text are dropped, ranges reaching
// past its end are clipped, and overlapping or unordered ranges are merged.
std::vector<RenderText> renderTextsOf(std::string_view text, const std::vector<Range>& ranges,
                                      std::size_t maxLength);

}  // namespace vl
