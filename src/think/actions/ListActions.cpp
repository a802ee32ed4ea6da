#include "think/actions/ListActions.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "think/TextScan.h"

namespace vl {

std::optional<std::string> SortAction::getLabel(const std::string&, Json&) { return "Sort"; }

std::optional<ui::AttributedString> SortAction::getText(const std::string& text, Json&) {
  return defaultAttributedString(sorted(text));
}

std::string SortAction::sorted(const std::string& text) const {
  struct Piece {
    std::string_view body;
    std::int64_t value;
  };
  const std::vector<std::string_view> pieces = think::split(text, separator_);
  std::vector<Piece> bodies;
  std::vector<std::string_view> ends;
  bodies.reserve(pieces.size());
  ends.reserve(pieces.size());
  for (std::string_view piece : pieces) {
    const std::size_t end = think::trailingLineEndLength(piece);
    const std::string_view body = piece.substr(0, piece.size() - end);
    bodies.push_back({body, think::leadingInt64(body)});
    ends.push_back(piece.substr(piece.size() - end));
  }
  std::stable_sort(bodies.begin(), bodies.end(),
                   [](const Piece& a, const Piece& b) { return a.value < b.value; });
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    if (i > 0) out += separator_;
    out += bodies[i].body;
    out += ends[i];
  }
  return out;
}

SortSplitByCRLFAction& SortSplitByCRLFAction::shared() {
  static SortSplitByCRLFAction action;
  return action;
}

SortSplitByCommaAction& SortSplitByCommaAction::shared() {
  static SortSplitByCommaAction action;
  return action;
}

SortSplitByCommaAndCRLFAction& SortSplitByCommaAndCRLFAction::shared() {
  static SortSplitByCommaAndCRLFAction action;
  return action;
}

CombineAction& CombineAction::shared() {
  static CombineAction action;
  return action;
}

std::optional<std::string> CombineAction::getLabel(const std::string&, Json&) { return "Combine"; }

std::optional<ui::AttributedString> CombineAction::getText(const std::string& text, Json&) {
  return defaultAttributedString(combined(text));
}

std::string CombineAction::combined(const std::string& text) {
  const std::vector<std::string_view> lines = think::split(text, "\n");
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    // The CR of a CRLF line end belongs to the line end, not to the line.
    if (line.ends_with('\r')) line.remove_suffix(1);
    out += line;
    if (i + 1 < lines.size() && !out.ends_with(',')) out += ',';
  }
  return out;
}

}  // namespace vl
