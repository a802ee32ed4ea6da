#include "think/actions/TimeActions.h"

#include <cstdarg>
#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "think/TextScan.h"

namespace vl {

namespace {

constexpr const char* kDatePattern = "yyyy-MM-dd HH:mm:ss";

// The format is checked at each call: the attribute lets the compiler see it through.
__attribute__((format(printf, 1, 2))) std::string formatted(const char* format, ...) {
  char buffer[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

}  // namespace

// --- DateAction -------------------------------------------------------------------------------------------

DateAction& DateAction::shared() {
  static DateAction action;
  return action;
}

bool DateAction::matched(const FeatureSet& feats, const std::string& context) {
  return Action::matched(feats, context) && context == "now";
}

std::optional<std::string> DateAction::getLabel(const std::string&, Json&) {
  dateStr_ = date::format(Clock::current().now(), kDatePattern);
  return dateStr_;
}

std::optional<ui::AttributedString> DateAction::getText(const std::string&, Json&) {
  return defaultAttributedString(dateStr_);
}

// --- NowTimestampAction -----------------------------------------------------------------------------------

NowTimestampAction& NowTimestampAction::shared() {
  static NowTimestampAction action;
  return action;
}

bool NowTimestampAction::matched(const FeatureSet& feats, const std::string& context) {
  return Action::matched(feats, context) && context == "now";
}

std::optional<std::string> NowTimestampAction::getLabel(const std::string&, Json&) {
  timestampStr_ = formatted("%.0f", Clock::current().now() * 1000);
  return timestampStr_;
}

std::optional<ui::AttributedString> NowTimestampAction::getText(const std::string&, Json&) {
  return defaultAttributedString(timestampStr_);
}

// --- TimestampAction --------------------------------------------------------------------------------------

TimestampAction& TimestampAction::shared() {
  static TimestampAction action;
  return action;
}

std::optional<std::string> TimestampAction::getLabel(const std::string& text, Json&) {
  // Whole seconds, truncated towards zero: 999 milliseconds never carry into the next second.
  const std::int64_t seconds = think::leadingInt64(text) / 1000;
  converted_ = date::format(static_cast<double>(seconds), kDatePattern);
  return converted_;
}

std::optional<ui::AttributedString> TimestampAction::getText(const std::string&, Json&) {
  return defaultAttributedString(converted_);
}

// --- SecondAction -----------------------------------------------------------------------------------------

SecondAction& SecondAction::shared() {
  static SecondAction action;
  return action;
}

std::optional<std::string> SecondAction::getLabel(const std::string& text, Json&) {
  converted_ = formatted("%.1f hours", static_cast<double>(think::leadingInt64(text)) / 3600.0);
  return converted_;
}

std::optional<ui::AttributedString> SecondAction::getText(const std::string&, Json&) {
  return defaultAttributedString(converted_);
}

}  // namespace vl
