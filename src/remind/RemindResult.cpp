#include "remind/RemindResult.h"

#include <array>
#include <charconv>
#include <memory>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Regex.h"

namespace vl {

namespace {

enum class Day { Morning, Afternoon };
enum class Week { None, This, Next };

// One of the forms `when` may take. Groups: the weekday (weekday forms only), then "H:MM".
struct Form {
  const char* pattern;
  Day half;
  Week week;
  int days;  // from today, for the forms without a weekday
};

// In the order they are tried; each is anchored at the start, so one match at most.
constexpr std::array<Form, 13> kForms = {{
    {"^今天(\\d+:\\d+)", Day::Morning, Week::None, 0},
    {"^[今天]*上午(\\d+:\\d+)", Day::Morning, Week::None, 0},
    {"^[今天]*下午(\\d+:\\d+)", Day::Afternoon, Week::None, 0},
    {"^明天(\\d+:\\d+)", Day::Morning, Week::None, 1},
    {"^明天*上午(\\d+:\\d+)", Day::Morning, Week::None, 1},
    {"^明天*下午(\\d+:\\d+)", Day::Afternoon, Week::None, 1},
    {"^后天*上午(\\d+:\\d+)", Day::Morning, Week::None, 2},
    {"^后天*下午(\\d+:\\d+)", Day::Afternoon, Week::None, 2},
    {"^后天(\\d+:\\d+)", Day::Morning, Week::None, 2},
    // Sunday is day 7, written 日.
    {"^周([1-6日])上午(\\d+:\\d+)", Day::Morning, Week::This, 0},
    {"^周([1-6日])下午(\\d+:\\d+)", Day::Afternoon, Week::This, 0},
    {"^下周([1-6日])上午(\\d+:\\d+)", Day::Morning, Week::Next, 0},
    {"^下周([1-6日])下午(\\d+:\\d+)", Day::Afternoon, Week::Next, 0},
}};

const std::array<std::shared_ptr<const Regex>, kForms.size()>& compiledForms() {
  static const auto compiled = [] {
    std::array<std::shared_ptr<const Regex>, kForms.size()> out;
    for (std::size_t i = 0; i < kForms.size(); ++i) out[i] = Regex::compile(kForms[i].pattern);
    return out;
  }();
  return compiled;
}

// A run of at most four ASCII digits; -1 for anything else.
int smallNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 4) return -1;
  int value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size() ? value : -1;
}

// "H:MM" as hour and minute; the afternoon adds 12 to an hour before noon (12 stays noon).
std::optional<std::pair<int, int>> clockTime(const std::string& text, Day half) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  int hour = smallNumber(std::string_view(text).substr(0, colon));
  const int minute = smallNumber(std::string_view(text).substr(colon + 1));
  if (hour < 0 || minute < 0) return std::nullopt;
  if (half == Day::Afternoon && hour < 12) hour += 12;
  return std::pair{hour, minute};
}

}  // namespace

std::optional<double> RemindResult::getNotificationDate() const {
  return getNotificationDate(Clock::current().now());
}

int RemindResult::getCurrentWeekDayNumber(double time) {
  static constexpr std::array<const char*, 7> kNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  const std::string name = date::format(time, "EEE");
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (name == kNames[i]) return static_cast<int>(i);
  }
  return 0;
}

std::optional<double> RemindResult::getNotificationDate(double now) const {
  const auto& compiled = compiledForms();
  for (std::size_t i = 0; i < kForms.size(); ++i) {
    const Form& form = kForms[i];
    if (!compiled[i]) continue;
    std::optional<RegexMatch> match = compiled[i]->firstMatch(when_);
    if (!match) continue;
    const bool weekday = form.week != Week::None;
    const std::string time = substringWithRange(when_, match->group(weekday ? 2 : 1));
    const std::optional<std::pair<int, int>> clock = clockTime(time, form.half);
    if (!clock) return std::nullopt;
    int days = form.days;
    if (weekday) {
      const std::string named = substringWithRange(when_, match->group(1));
      const int target = named == "日" ? 7 : smallNumber(named);
      const int today = getCurrentWeekDayNumber(now);
      if (form.week == Week::This) {
        // This week counts from Sunday (0), so on a Saturday 周五 has passed; Sunday itself is day 7, the
        // coming one, and on a Sunday it is today.
        days = target == 7 && today == 0 ? 0 : target - today;
      } else {
        // The day of the week after this one, weeks running Monday to Sunday: on a Sunday, 下周一 is
        // tomorrow.
        days = target - (today == 0 ? 7 : today) + 7;
      }
    }
    const std::optional<double> date =
        date::atLocalTime(date::addCalendarDays(now, days), clock->first, clock->second);
    if (!date || *date <= now) return std::nullopt;
    return date;
  }
  return std::nullopt;
}

}  // namespace vl
