#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "remind/RemindToken.h"

namespace vl {

// Reads a Chinese time phrase ("明天下午3点开会", "下周三上午10点", "3点1刻") one character at a time into
// tokens: day words, weekdays, morning and afternoon, and clock times with their hour and minutes in
// ASCII digits. Chinese numerals read as numbers (十 is 10, 十二 12, 二十 20). Everything else is an
// undefined token of its own.
//
// The reader is bounded: it reads at most kMaxChars UTF-16 units of the input (the rest reads as the
// end) and hands out at most kMaxTokens tokens before it answers only eof.
class RemindTokenParser {
 public:
  static constexpr std::size_t kMaxChars = 64;
  static constexpr std::size_t kMaxTokens = 128;

  explicit RemindTokenParser(std::string_view chars);

  // Reads the next token and makes it the current one.
  const RemindToken& getNextToken();
  const RemindToken& getCurToken() const { return curToken_; }

  bool isEOF() const { return is(RemindToken::Type::Eof); }
  bool isNext() const { return is(RemindToken::Type::Next); }
  bool isWeekday() const { return is(RemindToken::Type::Weekday); }
  bool isTime() const { return is(RemindToken::Type::Time); }
  bool isAM() const { return is(RemindToken::Type::AM); }
  bool isPM() const { return is(RemindToken::Type::PM); }
  bool isUndefined() const { return is(RemindToken::Type::Undefined); }
  bool isToday() const { return is(RemindToken::Type::Today); }
  bool isTomorrow() const { return is(RemindToken::Type::Tomorrow); }
  bool isDayAfterTomorrow() const { return is(RemindToken::Type::DayAfterTomorrow); }

  // The value of a run of number characters (一 ... 九, 十, 0 ... 9) in ASCII digits: digits alone are read
  // one by one (一二 is "12"), a run with one 十 as tens and units (十 "10", 十二 "12", 二十 "20", 二十三
  // "23"). nullopt for a run that is no number (十十, 12十).
  static std::optional<std::string> numberOfRun(std::u16string_view run);

 private:
  static constexpr int kEnd = -1;

  bool is(RemindToken::Type type) const { return curToken_.type == type; }
  RemindToken getTok();
  // The next character into c_, or kEnd once the input (or the bound) is used up.
  void getChars();
  // Reads a clock time starting at a number character; nullopt (with what was read consumed) when the
  // characters read make no time.
  std::optional<std::string> readTime();
  std::u16string readNumberRun();

  std::u16string chars_;
  std::size_t moveIndex_ = 0;
  bool started_ = false;
  int c_ = kEnd;
  std::size_t tokens_ = 0;
  RemindToken curToken_;
};

}  // namespace vl
