#pragma once

#include <string>

#include "think/Action.h"

namespace vl {

// Numbers between separators sorted by their value (10 after 9). The line end that closes a piece stays
// where it was, so lines ending in CRLF come out as lines ending in CRLF.
class SortAction : public Action {
 public:
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  std::string sorted(const std::string& text) const;

 protected:
  explicit SortAction(std::string separator) : separator_(std::move(separator)) {}

 private:
  std::string separator_;
};

class SortSplitByCRLFAction final : public SortAction {
 public:
  static SortSplitByCRLFAction& shared();
  const char* name() const override { return "SortSplitByCRLFAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kDigitLines}; }

 private:
  SortSplitByCRLFAction() : SortAction("\n") {}
};

class SortSplitByCommaAction final : public SortAction {
 public:
  static SortSplitByCommaAction& shared();
  const char* name() const override { return "SortSplitByCommaAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kDigitCommas}; }

 private:
  SortSplitByCommaAction() : SortAction(",") {}
};

class SortSplitByCommaAndCRLFAction final : public SortAction {
 public:
  static SortSplitByCommaAndCRLFAction& shared();
  const char* name() const override { return "SortSplitByCommaAndCRLFAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kDigitCommaLines}; }

 private:
  SortSplitByCommaAndCRLFAction() : SortAction(",\n") {}
};

// Lines joined by commas, never doubling a comma a line already ends with.
class CombineAction final : public Action {
 public:
  static CombineAction& shared();
  const char* name() const override { return "CombineAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kCombinable}; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  static std::string combined(const std::string& text);

 private:
  CombineAction() = default;
};

}  // namespace vl
