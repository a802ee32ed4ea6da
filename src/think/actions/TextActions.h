#pragma once

#include <string>

#include "think/Action.h"

namespace vl {

// A long text's length in UTF-16 units.
class LenAction final : public Action {
 public:
  static LenAction& shared();
  const char* name() const override { return "LenAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kLong}; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  LenAction() = default;
};

// The MD5 of a long text's UTF-8 bytes, all of them, in lowercase hexadecimal.
class Md5Action final : public Action {
 public:
  static Md5Action& shared();
  const char* name() const override { return "Md5Action"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kDigest}; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  Md5Action() = default;
};

// A short camel-case name as a constant's name: camelCaseName gives CAMEL_CASE_NAME.
class UpperAction final : public Action {
 public:
  static UpperAction& shared();
  const char* name() const override { return "UpperAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kShortLetters}; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  // The label; the preview goes back to plain text.
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  static std::string upperSnakeCase(const std::string& text);

 private:
  UpperAction() = default;
  std::string upperStr_;
};

// Thousands shortened: 5000 gives 5k.
class KAction final : public Action {
 public:
  static KAction& shared();
  const char* name() const override { return "KAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kDigits}; }
  bool matched(const FeatureSet& feats, const std::string& context) override;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  KAction() = default;
  std::string converted_;
};

}  // namespace vl
