#include "platform/foundation/Date.h"

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>
#include <mutex>

#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl::date {

namespace {

std::mutex& zoneMutex() {
  static std::mutex m;
  return m;
}

// nullptr means the system zone (ICU's host detection, which honours TZ).
std::unique_ptr<icu::TimeZone>& chosenZone() {
  static std::unique_ptr<icu::TimeZone> zone;
  return zone;
}

std::unique_ptr<icu::TimeZone> zoneFor(const std::string& id) {
  if (!id.empty()) {
    std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(toUnicodeString(id)));
    if (tz && *tz != icu::TimeZone::getUnknown()) return tz;
    logWarningf("date: unknown time zone \"%s\"; using the local zone", id.c_str());
  }
  std::lock_guard<std::mutex> lock(zoneMutex());
  if (chosenZone()) return std::unique_ptr<icu::TimeZone>(chosenZone()->clone());
  return std::unique_ptr<icu::TimeZone>(icu::TimeZone::detectHostTimeZone());
}

std::unique_ptr<icu::Calendar> calendarAt(double time) {
  UErrorCode status = U_ZERO_ERROR;
  auto cal = std::make_unique<icu::GregorianCalendar>(zoneFor({}).release(), icu::Locale::getRoot(), status);
  if (U_FAILURE(status)) return nullptr;
  cal->setTime(time * 1000.0, status);
  if (U_FAILURE(status)) return nullptr;
  return cal;
}

std::unique_ptr<icu::SimpleDateFormat> formatter(std::string_view pattern, const std::string& zoneId) {
  UErrorCode status = U_ZERO_ERROR;
  // POSIX locale: ASCII digits and a Gregorian calendar whatever the user's locale says, because these
  // texts are folder names and stored values.
  auto f =
      std::make_unique<icu::SimpleDateFormat>(toUnicodeString(pattern), icu::Locale("en_US_POSIX"), status);
  if (U_FAILURE(status)) {
    logWarningf("date: bad pattern \"%.*s\": %s", static_cast<int>(pattern.size()), pattern.data(),
                u_errorName(status));
    return nullptr;
  }
  f->adoptTimeZone(zoneFor(zoneId).release());
  return f;
}

}  // namespace

bool setDefaultTimeZone(const std::string& olsonId) {
  if (olsonId.empty()) {
    std::lock_guard<std::mutex> lock(zoneMutex());
    chosenZone().reset();
    return true;
  }
  std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(toUnicodeString(olsonId)));
  if (!tz || *tz == icu::TimeZone::getUnknown()) {
    logWarningf("date: unknown time zone \"%s\"; zone unchanged", olsonId.c_str());
    return false;
  }
  std::lock_guard<std::mutex> lock(zoneMutex());
  chosenZone() = std::move(tz);
  return true;
}

std::string defaultTimeZoneId() {
  icu::UnicodeString id;
  zoneFor({})->getID(id);
  return fromUnicodeString(id);
}

int secondsFromGMT(double time) {
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  zoneFor({})->getOffset(time * 1000.0, false, raw, dst, status);
  return U_SUCCESS(status) ? (raw + dst) / 1000 : 0;
}

std::string format(double time, std::string_view pattern, const std::string& timeZoneId) {
  auto f = formatter(pattern, timeZoneId);
  if (!f) return {};
  icu::UnicodeString out;
  f->format(time * 1000.0, out);
  return fromUnicodeString(out);
}

std::optional<double> parse(std::string_view text, std::string_view pattern, const std::string& timeZoneId) {
  auto f = formatter(pattern, timeZoneId);
  if (!f) return std::nullopt;
  f->setLenient(false);
  icu::UnicodeString input = toUnicodeString(text);
  icu::ParsePosition pos(0);
  UDate when = f->parse(input, pos);
  if (pos.getErrorIndex() >= 0 || pos.getIndex() != input.length() || input.isEmpty()) return std::nullopt;
  return when / 1000.0;
}

double startOfDay(double time) {
  auto cal = calendarAt(time);
  if (!cal) return time;
  cal->set(UCAL_HOUR_OF_DAY, 0);
  cal->set(UCAL_MINUTE, 0);
  cal->set(UCAL_SECOND, 0);
  cal->set(UCAL_MILLISECOND, 0);
  UErrorCode status = U_ZERO_ERROR;
  UDate when = cal->getTime(status);
  return U_SUCCESS(status) ? when / 1000.0 : time;
}

double addCalendarDays(double time, int days) {
  auto cal = calendarAt(time);
  if (!cal) return time + days * 86400.0;
  UErrorCode status = U_ZERO_ERROR;
  cal->add(UCAL_DATE, days, status);
  UDate when = cal->getTime(status);
  return U_SUCCESS(status) ? when / 1000.0 : time + days * 86400.0;
}

std::optional<double> atLocalTime(double day, int hour, int minute) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return std::nullopt;
  auto cal = calendarAt(day);
  if (!cal) return std::nullopt;
  cal->setSkippedWallTimeOption(UCAL_WALLTIME_LAST);
  cal->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
  cal->set(UCAL_HOUR_OF_DAY, hour);
  cal->set(UCAL_MINUTE, minute);
  cal->set(UCAL_SECOND, 0);
  cal->set(UCAL_MILLISECOND, 0);
  UErrorCode status = U_ZERO_ERROR;
  UDate when = cal->getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return when / 1000.0;
}

}  // namespace vl::date
