#pragma once

#include <optional>
#include <string>

namespace vl {

// The canonical words of a reminder's moment (`when`, such as "明天下午3:00", "周5上午9:30",
// "下周3上午10:00") and the local date they name. Days are calendar days of the local time zone, so a
// daylight-saving day of 23 or 25 hours moves no reminder to another day.
class RemindResult {
 public:
  explicit RemindResult(std::string when = {}) : when_(std::move(when)) {}

  const std::string& when() const { return when_; }
  void setWhen(std::string when) { when_ = std::move(when); }

  // Seconds since 1970 of the moment `when` names, read against vl::Clock now; nullopt when it names no
  // moment or one that is not later than now.
  std::optional<double> getNotificationDate() const;
  std::optional<double> getNotificationDate(double now) const;

  // The day of the week of `time`, Sunday 0 ... Saturday 6.
  static int getCurrentWeekDayNumber(double time);

 private:
  std::string when_;
};

}  // namespace vl
