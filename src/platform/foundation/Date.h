#pragma once

#include <optional>
#include <string>
#include <string_view>

// Local-time dates with ICU patterns ("yyyy-MM-dd", "yyyy-MM-dd HH:mm:ss"). Time stamps are seconds
// since 1970. "Local" is the process's default time zone, which tests fix with setDefaultTimeZone.
namespace vl::date {

// Sets the zone used by every function below (an Olson id such as "Asia/Shanghai"). An unknown id is
// logged and leaves the zone unchanged (false). "" restores the system zone.
bool setDefaultTimeZone(const std::string& olsonId);
std::string defaultTimeZoneId();
// Offset of the local zone from GMT at `time`, in seconds, daylight saving included.
int secondsFromGMT(double time);

// Formats with an ICU pattern in the local zone (or `timeZoneId` if given), POSIX locale digits.
std::string format(double time, std::string_view pattern, const std::string& timeZoneId = {});
// Parses the whole text with the pattern, leniency off; nullopt when it does not fit.
std::optional<double> parse(std::string_view text, std::string_view pattern,
                            const std::string& timeZoneId = {});

// Local midnight of the day that holds `time`.
double startOfDay(double time);
// The same wall-clock time `days` calendar days later (negative goes back); across a daylight-saving
// change the result is 23 or 25 hours away, not 24.
double addCalendarDays(double time, int days);
// The moment the local clock shows hour:minute:00 on the calendar day that holds `day`. A time the clocks
// skip reads as the same time after the jump (02:30 on a spring-forward day is 03:30), and a time they
// show twice is its first showing. nullopt for an hour outside 0-23 or a minute outside 0-59.
std::optional<double> atLocalTime(double day, int hour, int minute);

}  // namespace vl::date
