#include "remind/RemindTokenParser.h"

#include "platform/foundation/Text.h"

namespace vl {

namespace {

bool isWeekdayDigit(int c) {
  return c == u'一' || c == u'二' || c == u'三' || c == u'四' || c == u'五' || c == u'六' || c == u'日' ||
         c == u'天' || (c >= u'1' && c <= u'6');
}

std::string weekdayNumber(int c) {
  switch (c) {
    case u'一':
      return "1";
    case u'二':
      return "2";
    case u'三':
      return "3";
    case u'四':
      return "4";
    case u'五':
      return "5";
    case u'六':
      return "6";
    case u'日':
    case u'天':
      return "7";
    default:
      return std::string(1, static_cast<char>(c));
  }
}

// 一 ... 九 as their digit; -1 for anything else.
int chineseDigit(char16_t c) {
  static constexpr char16_t kDigits[] = u"一二三四五六七八九";
  for (int i = 0; i < 9; ++i) {
    if (kDigits[i] == c) return i + 1;
  }
  return -1;
}

bool isNumber(int c) {
  return (c >= u'0' && c <= u'9') || c == u'十' || (c > 0 && chineseDigit(static_cast<char16_t>(c)) > 0);
}

// The digit a number character stands for; 十 has none.
int digitOf(char16_t c) { return c >= u'0' && c <= u'9' ? c - u'0' : chineseDigit(c); }

bool isHourMark(int c) { return c == u'点' || c == u':'; }

}  // namespace

RemindTokenParser::RemindTokenParser(std::string_view chars)
    // Cut while converting, so a huge text costs no more than its first units.
    : chars_(toUtf16(cutToUtf16Length(chars, kMaxChars))) {}

const RemindToken& RemindTokenParser::getNextToken() {
  curToken_ = tokens_ < kMaxTokens ? getTok() : RemindToken::eof();
  ++tokens_;
  return curToken_;
}

void RemindTokenParser::getChars() {
  if (moveIndex_ >= chars_.size()) {
    c_ = kEnd;
    return;
  }
  c_ = chars_[moveIndex_++];
}

std::optional<std::string> RemindTokenParser::numberOfRun(std::u16string_view run) {
  if (run.empty()) return std::nullopt;
  const std::size_t ten = run.find(u'十');
  if (ten == std::u16string_view::npos) {
    std::string digits;
    for (char16_t c : run) digits.push_back(static_cast<char>('0' + digitOf(c)));
    return digits;
  }
  // Tens before 十 and units after it, one digit each at most.
  const std::u16string_view tens = run.substr(0, ten), units = run.substr(ten + 1);
  if (tens.size() > 1 || units.size() > 1) return std::nullopt;
  const int t = tens.empty() ? 1 : digitOf(tens[0]);
  const int u = units.empty() ? 0 : digitOf(units[0]);
  if (t <= 0 || u < 0) return std::nullopt;
  return std::to_string(t * 10 + u);
}

std::u16string RemindTokenParser::readNumberRun() {
  std::u16string run;
  while (isNumber(c_)) {
    run.push_back(static_cast<char16_t>(c_));
    getChars();
  }
  return run;
}

std::optional<std::string> RemindTokenParser::readTime() {
  const std::optional<std::string> hour = numberOfRun(readNumberRun());
  if (!isHourMark(c_) || !hour) return std::nullopt;
  getChars();
  if (c_ == u'半') {
    getChars();
    return *hour + ":30";
  }
  // An hour alone; what follows is left for the next token.
  if (!isNumber(c_)) return hour;
  const std::u16string run = readNumberRun();
  if (run.size() == 1 && run[0] != u'十') {
    // One minute digit counts quarters when 刻 follows (1刻 is :15, 3刻 :45), and is no time otherwise.
    const int quarters = digitOf(run[0]);
    if (c_ != u'刻' || (quarters != 1 && quarters != 3)) return std::nullopt;
    getChars();
    return *hour + (quarters == 1 ? ":15" : ":45");
  }
  const std::optional<std::string> minutes = numberOfRun(run);
  if (!minutes) return std::nullopt;
  return *hour + ":" + *minutes;
}

RemindToken RemindTokenParser::getTok() {
  if (!started_) {
    started_ = true;
    getChars();
  }
  if (c_ == u'周') {
    getChars();
    if (isWeekdayDigit(c_)) {
      std::string number = weekdayNumber(c_);
      getChars();
      return RemindToken::weekday(std::move(number));
    }
  }
  if (c_ == u'上') {
    getChars();
    if (c_ == u'午') {
      getChars();
      return RemindToken::am();
    }
  }
  if (c_ == u'下') {
    getChars();
    if (c_ == u'午') {
      getChars();
      return RemindToken::pm();
    }
    // The 周 stays: the next token is the weekday.
    if (c_ == u'周') return RemindToken::next();
  }
  if (c_ == u'早') {
    getChars();
    return RemindToken::am();
  }
  if (c_ == u'晚') {
    getChars();
    return RemindToken::pm();
  }
  if (isNumber(c_)) {
    if (std::optional<std::string> time = readTime()) return RemindToken::time(std::move(*time));
  }
  if (c_ == u'今' || c_ == u'明' || c_ == u'后') {
    const int day = c_;
    getChars();
    if (c_ == u'天') getChars();
    if (day == u'今') return RemindToken::today();
    return day == u'明' ? RemindToken::tomorrow() : RemindToken::dayAfterTomorrow();
  }
  if (c_ == kEnd) return RemindToken::eof();
  const char16_t character = static_cast<char16_t>(c_);
  getChars();
  return RemindToken::undefined(fromUtf16(std::u16string_view(&character, 1)));
}

}  // namespace vl
