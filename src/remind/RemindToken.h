#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace vl {

// One word of a reminder's time phrase, as the tokenizer reads it.
struct RemindToken {
  enum class Type : std::uint64_t {
    Eof = 0,
    Next = 1,  // 下 before 周: the week after this one
    Today = 2,
    Tomorrow = 3,
    DayAfterTomorrow = 4,
    Weekday = 5,  // value "1" (Monday) ... "7" (Sunday)
    AM = 6,
    PM = 7,
    Time = 8,       // value "H" or "H:MM", ASCII digits
    Undefined = 9,  // value: the character read
  };

  Type type = Type::Eof;
  std::string value;

  static RemindToken eof() { return {Type::Eof, {}}; }
  static RemindToken next() { return {Type::Next, {}}; }
  static RemindToken today() { return {Type::Today, {}}; }
  static RemindToken tomorrow() { return {Type::Tomorrow, {}}; }
  static RemindToken dayAfterTomorrow() { return {Type::DayAfterTomorrow, {}}; }
  static RemindToken weekday(std::string number) { return {Type::Weekday, std::move(number)}; }
  static RemindToken am() { return {Type::AM, {}}; }
  static RemindToken pm() { return {Type::PM, {}}; }
  static RemindToken time(std::string value) { return {Type::Time, std::move(value)}; }
  static RemindToken undefined(std::string character) { return {Type::Undefined, std::move(character)}; }

  bool isDay() const {
    return type == Type::Today || type == Type::Tomorrow || type == Type::DayAfterTomorrow;
  }
  bool operator==(const RemindToken&) const = default;
};

}  // namespace vl
