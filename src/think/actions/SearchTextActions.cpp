#include "think/actions/SearchTextActions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/foundation/Crypto.h"
#include "platform/foundation/Text.h"
#include "think/TextScan.h"

namespace vl {

namespace {

// Group `index` of the text's first match; "" when the group took no part.
std::string groupOf(const Regex& regex, const std::string& text, std::size_t index) {
  std::optional<RegexMatch> match = regex.firstMatch(text);
  if (!match) return {};
  const Range range = match->group(index);
  return range.found() ? substringWithRange(text, range) : std::string();
}

}  // namespace

// --- MathSymbolAction -------------------------------------------------------------------------------------

MathSymbolAction& MathSymbolAction::shared() {
  static MathSymbolAction action;
  return action;
}

MathSymbolAction::MathSymbolAction() {
  dict1_ = {
      {"alpha", {"α", "A"}},   {"beta", {"β", "B"}},  {"gamma", {"γ", "Γ"}},   {"deta", {"δ", "Δ"}},
      {"epsilon", {"ε", "Ε"}}, {"zeta", {"ζ", "Ζ"}},  {"eta", {"η", "Η"}},     {"theta", {"θ", "Θ"}},
      {"iota", {"ι", "Ι"}},    {"kappa", {"κ", "Κ"}}, {"lambda", {"λ", "∧"}},  {"mu", {"μ", "Μ"}},
      {"nu", {"ν", "Ν"}},      {"xi", {"ξ", "Ξ"}},    {"omicron", {"ο", "Ο"}}, {"pi", {"π", "∏"}},
      {"rho", {"ρ", "Ρ"}},     {"sigma", {"σ", "∑"}}, {"tau", {"τ", "Τ"}},     {"upsilon", {"υ", "Υ"}},
      {"phi", {"φ", "Φ"}},     {"chi", {"χ", "Χ"}},   {"psi", {"ψ", "Ψ"}},     {"omega", {"ω", "Ω"}},
  };
  // Other spellings of the same names, each to the letter of the first table named after the arrow.
  static const std::pair<const char*, const char*> kOtherNames[] = {
      {"alfa", "alpha"},    {"beta", "beta"}, {"gamma", "gamma"}, {"delta", "deta"},  {"epsilon", "epsilon"},
      {"zeta", "zeta"},     {"eta", "eta"},   {"θita", "theta"},  {"iota", "iota"},   {"kappa", "kappa"},
      {"lambda", "lambda"}, {"miu", "mu"},    {"niu", "nu"},      {"ksi", "xi"},      {"omikron", "omicron"},
      {"pai", "pi"},        {"rou", "rho"},   {"sigma", "sigma"}, {"tau", "tau"},     {"jupsilon", "upsilon"},
      {"fai", "phi"},       {"khai", "chi"},  {"psai", "psi"},    {"omiga", "omega"},
  };
  for (const auto& [other, name] : kOtherNames) dict2_[other] = dict1_.at(name);
}

const std::pair<std::string, std::string>* MathSymbolAction::find(const std::string& name) const {
  if (auto it = dict1_.find(name); it != dict1_.end()) return &it->second;
  if (auto it = dict2_.find(name); it != dict2_.end()) return &it->second;
  return nullptr;
}

bool MathSymbolAction::isMathSymbolPronun(const std::string& text) const { return find(text) != nullptr; }

std::optional<std::string> MathSymbolAction::getLabel(const std::string& text, Json&) {
  const auto* pair = find(text);
  symbol_ = pair ? pair->first : std::string();
  return symbol_;
}

std::optional<ui::AttributedString> MathSymbolAction::getText(const std::string&, Json&) {
  return defaultAttributedString(symbol_);
}

// --- CMConvertAction --------------------------------------------------------------------------------------

CMConvertAction& CMConvertAction::shared() {
  static CMConvertAction action;
  return action;
}

CMConvertAction::CMConvertAction() : regex_(Regex::compile(R"((^\d{0,1}.{0,1}\d+)(?:cm|CM))")) {}

bool CMConvertAction::isCM(const std::string& text) const { return regex_ && regex_->matches(text); }

std::optional<std::string> CMConvertAction::getLabel(const std::string& text, Json&) {
  const float centimetres = regex_ ? think::leadingFloat(groupOf(*regex_, text, 1)) : 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f inch", static_cast<double>(centimetres) / 2.54);
  converted_ = buffer;
  return converted_;
}

std::optional<ui::AttributedString> CMConvertAction::getText(const std::string&, Json&) {
  return defaultAttributedString(converted_);
}

// --- RandomAction -----------------------------------------------------------------------------------------

RandomAction& RandomAction::shared() {
  static RandomAction action;
  return action;
}

RandomAction::RandomAction() : regex_(Regex::compile(R"(^random(\d*))")) {}

bool RandomAction::isRandom(const std::string& text) const { return regex_ && regex_->matches(text); }

std::optional<std::string> RandomAction::getLabel(const std::string& text, Json&) {
  std::int32_t count = regex_ ? think::leadingInt32(groupOf(*regex_, text, 1)) : 0;
  if (count <= 0) count = 10;
  count = std::min(count, kMaxLength);
  const std::size_t letters = std::strlen(kLetters);
  const std::string bytes = randomBytes(static_cast<std::size_t>(count) * 4);
  randomStr_.clear();
  randomStr_.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    std::uint32_t r = 0;
    std::memcpy(&r, bytes.data() + static_cast<std::size_t>(i) * 4, 4);
    randomStr_.push_back(kLetters[r % letters]);
  }
  return randomStr_;
}

std::optional<ui::AttributedString> RandomAction::getText(const std::string&, Json&) {
  return defaultAttributedString(randomStr_);
}

// --- MKTableAction ----------------------------------------------------------------------------------------

MKTableAction& MKTableAction::shared() {
  static MKTableAction action;
  return action;
}

MKTableAction::MKTableAction() : regex_(Regex::compile(R"(^mktb([a-z]*)(\d*)(,*)(\d*))")) {}

bool MKTableAction::isMKTable(const std::string& text) const { return regex_ && regex_->matches(text); }

std::optional<std::string> MKTableAction::getLabel(const std::string&, Json&) { return "MarkDown Table"; }

std::optional<ui::AttributedString> MKTableAction::getText(const std::string& text, Json&) {
  return defaultAttributedString(table(text));
}

std::string MKTableAction::table(const std::string& text) const {
  static constexpr const char* kHead = "|   head   ";
  static constexpr const char* kCell = "|   cell   ";
  std::optional<RegexMatch> match = regex_ ? regex_->firstMatch(text) : std::nullopt;
  const auto group = [&](std::size_t index) {
    const Range range = match ? match->group(index) : Range();
    return range.found() ? substringWithRange(text, range) : std::string();
  };
  const std::string letters = group(1);
  const auto count = [](const std::string& digits, std::int32_t cap) {
    const std::int32_t n = think::leadingInt32(digits);
    return n <= 0 ? 1 : std::min(n, cap);
  };
  const std::int32_t columns = count(group(2), kMaxColumns);
  const std::int32_t rows = count(group(4), kMaxRows);
  const char* alignment = letters == "r" ? "|---------:   " : letters == "c" ? "|:--------:" : "|:---------";
  std::string head, rule, cells;
  for (std::int32_t c = 0; c < columns; ++c) {
    head += kHead;
    rule += alignment;
    cells += kCell;
  }
  head += "|\n";
  rule += "|\n";
  cells += "|\n";
  std::string out = head + rule;
  out.reserve(out.size() + cells.size() * static_cast<std::size_t>(rows));
  for (std::int32_t r = 0; r < rows; ++r) out += cells;
  return out;
}

}  // namespace vl
