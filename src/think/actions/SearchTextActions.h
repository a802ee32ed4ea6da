#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/foundation/Regex.h"
#include "think/Action.h"

namespace vl {

// A Greek letter's name typed into the search field ("delta"): the small letter.
class MathSymbolAction final : public Action {
 public:
  static MathSymbolAction& shared();
  const char* name() const override { return "MathSymbolAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kGreekName}; }
  bool isMathSymbolPronun(const std::string& text) const;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  MathSymbolAction();
  // Name to small letter and capital form.
  const std::pair<std::string, std::string>* find(const std::string& name) const;
  std::map<std::string, std::pair<std::string, std::string>> dict1_;
  std::map<std::string, std::pair<std::string, std::string>> dict2_;
  std::string symbol_;
};

// A length in centimetres typed into the search field ("10cm"): the length in inches.
class CMConvertAction final : public Action {
 public:
  static CMConvertAction& shared();
  const char* name() const override { return "CMConvertAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kCentimetres}; }
  bool isCM(const std::string& text) const;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  CMConvertAction();
  std::shared_ptr<const Regex> regex_;
  std::string converted_;
};

// "random" typed into the search field, with a count or not: that many random characters (10 without
// one, at most kMaxLength).
class RandomAction final : public Action {
 public:
  static constexpr std::int32_t kMaxLength = 1024;
  static constexpr const char* kLetters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789#&@!?";

  static RandomAction& shared();
  const char* name() const override { return "RandomAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kRandom}; }
  bool isRandom(const std::string& text) const;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  RandomAction();
  std::shared_ptr<const Regex> regex_;
  std::string randomStr_;
};

// "mktb" typed into the search field, with an alignment letter and "columns,rows" or not: the skeleton of a
// Markdown table (at most kMaxColumns by kMaxRows).
class MKTableAction final : public Action {
 public:
  static constexpr std::int32_t kMaxColumns = 64;
  static constexpr std::int32_t kMaxRows = 500;

  static MKTableAction& shared();
  const char* name() const override { return "MKTableAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kMarkdownTable}; }
  bool isMKTable(const std::string& text) const;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  std::string table(const std::string& text) const;

 private:
  MKTableAction();
  std::shared_ptr<const Regex> regex_;
};

}  // namespace vl
