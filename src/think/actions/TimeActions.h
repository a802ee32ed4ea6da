#pragma once

#include <string>

#include "think/Action.h"

namespace vl {

// "now" typed into the search field: the current local time, "yyyy-MM-dd HH:mm:ss".
class DateAction final : public Action {
 public:
  static DateAction& shared();
  const char* name() const override { return "DateAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kNow}; }
  bool matched(const FeatureSet& feats, const std::string& context) override;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  DateAction() = default;
  std::string dateStr_;
};

// "now" typed into the search field: the current time in milliseconds since 1970.
class NowTimestampAction final : public Action {
 public:
  static NowTimestampAction& shared();
  const char* name() const override { return "NowTimestampAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kNow}; }
  bool matched(const FeatureSet& feats, const std::string& context) override;
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  NowTimestampAction() = default;
  std::string timestampStr_;
};

// A 13-digit millisecond time stamp as local time; the milliseconds are cut off.
class TimestampAction final : public Action {
 public:
  static TimestampAction& shared();
  const char* name() const override { return "TimestampAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kMilliseconds}; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  TimestampAction() = default;
  std::string converted_;
};

// A number of seconds in hours, "%.1f hours".
class SecondAction final : public Action {
 public:
  static SecondAction& shared();
  const char* name() const override { return "SecondAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kSeconds}; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;

 private:
  SecondAction() = default;
  std::string converted_;
};

}  // namespace vl
