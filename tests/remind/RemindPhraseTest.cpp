#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "remind/RemindMainLoop.h"
#include "remind/RemindTokenParser.h"

namespace vl {
namespace {

constexpr const char* kMinute = "yyyy-MM-dd HH:mm";

class RemindPhraseTest : public ::testing::Test {
 protected:
  void TearDown() override { date::setDefaultTimeZone(""); }

  // The when words and the local moment ("" for none) a phrase gives at the local time `now`.
  static std::pair<std::string, std::string> read(const std::string& phrase, const std::string& now,
                                                  const char* pattern = kMinute) {
    std::optional<RemindResult> result = RemindMainLoop::get(phrase);
    if (!result) return {"", ""};
    const std::optional<double> at = date::parse(now, kMinute);
    EXPECT_TRUE(at) << now;
    const std::optional<double> when = result->getNotificationDate(at.value_or(0));
    return {result->when(), when ? date::format(*when, pattern) : ""};
  }
};

TEST_F(RemindPhraseTest, NumberRunsReadAsNumbers) {
  const std::vector<std::pair<std::u16string, std::optional<std::string>>> cases = {
      {u"十", "10"},           {u"十二", "12"},        {u"二十", "20"},         {u"二十三", "23"},
      {u"一二", "12"},         {u"12", "12"},          {u"1十", "10"},          {u"十十", std::nullopt},
      {u"12十", std::nullopt}, {u"0十", std::nullopt}, {u"十23", std::nullopt},
  };
  for (const auto& [run, value] : cases) {
    EXPECT_EQ(RemindTokenParser::numberOfRun(run), value) << value.value_or("nil");
  }
}

TEST_F(RemindPhraseTest, PhrasesGiveTheirWordsAndMoment) {
  ASSERT_TRUE(date::setDefaultTimeZone("Asia/Shanghai"));
  // 2024-05-15 is a Wednesday, 05-18 a Saturday, 05-19 a Sunday.
  struct Case {
    std::string phrase, now, when, moment;
  };
  const std::string wed = "2024-05-15 09:00";
  const std::vector<Case> cases = {
      {"明天下午3点开会", wed, "明天下午3:00", "2024-05-16 15:00"},
      {"今天上午10点半", wed, "今天上午10:30", "2024-05-15 10:30"},
      {"今天上午10点半", "2024-05-15 10:31", "今天上午10:30", ""},
      {"下午3点", wed, "下午3:00", "2024-05-15 15:00"},
      {"3点", wed, "3:00", ""},
      {"明天十二点", wed, "明天12:00", "2024-05-16 12:00"},
      {"明天十点", wed, "明天10:00", "2024-05-16 10:00"},
      {"明天二十点", wed, "明天20:00", "2024-05-16 20:00"},
      {"今天二十三点", wed, "今天23:00", "2024-05-15 23:00"},
      {"明天3点1刻", wed, "明天3:15", "2024-05-16 03:15"},
      {"明天三点三刻", wed, "明天3:45", "2024-05-16 03:45"},
      {"明天三点二十", wed, "明天3:20", "2024-05-16 03:20"},
      {"周五下午3点", wed, "周5下午3:00", "2024-05-17 15:00"},
      {"周五下午3点", "2024-05-18 09:00", "周5下午3:00", ""},
      {"周3上午9点", "2024-05-15 08:00", "周3上午9:00", "2024-05-15 09:00"},
      {"周3上午9点", wed, "周3上午9:00", ""},
      {"下周三上午10点", wed, "下周3上午10:00", "2024-05-22 10:00"},
      {"下周一上午9点", "2024-05-19 09:00", "下周1上午9:00", "2024-05-20 09:00"},
      {"周日下午3点", wed, "周日下午3:00", "2024-05-19 15:00"},
      {"周天下午3点", "2024-05-19 09:00", "周日下午3:00", "2024-05-19 15:00"},
      {"明天 上午10点", wed, "上午10:00", "2024-05-15 10:00"},
      {"明天3点到5点", wed, "明天3:00", "2024-05-16 03:00"},
      {"明天下午12点", wed, "明天下午12:00", "2024-05-16 12:00"},
      {"下午13点", wed, "下午13:00", "2024-05-15 13:00"},
      {"下午24点", wed, "下午24:00", ""},
      {"明天3点60", wed, "明天3:60", ""},
      {"明天3点5分", wed, "", ""},
      {"晚8点", wed, "下午8:00", "2024-05-15 20:00"},
      {"后天早上8点", wed, "后天上午8:00", "2024-05-17 08:00"},
      {"明天下午", wed, "", ""},
      {"", wed, "", ""},
      // Hostile text reads as undefined characters: a NUL cuts 明天 off, a bad byte is one character.
      {std::string("明天\0下午3点", 17), wed, "下午3:00", "2024-05-15 15:00"},
      {"\xff\xfe明天下午3点", wed, "明天下午3:00", "2024-05-16 15:00"},
      {std::string(61, 'x') + "明天3点", wed, "", ""},
      {std::string(4 << 20, 'x') + "明天3点", wed, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phrase.size() > 80 ? "a long text" : c.phrase + " at " + c.now);
    const auto [when, moment] = read(c.phrase, c.now);
    EXPECT_EQ(when, c.when);
    EXPECT_EQ(moment, c.moment);
  }
}

TEST_F(RemindPhraseTest, DaysAreCalendarDaysAcrossDaylightSaving) {
  ASSERT_TRUE(date::setDefaultTimeZone("America/New_York"));
  // 2024-03-10 has 23 hours (02:00 becomes 03:00), 2024-11-03 has 25 (02:00 becomes 01:00).
  struct Case {
    std::string phrase, now, moment;
  };
  const std::vector<Case> cases = {
      {"明天下午3点", "2024-03-10 10:00", "2024-03-11 15:00 EDT"},
      {"今天下午3点", "2024-03-10 10:00", "2024-03-10 15:00 EDT"},
      {"明天上午2点半", "2024-03-09 22:00", "2024-03-10 03:30 EDT"},
      {"明天上午9点", "2024-11-03 10:00", "2024-11-04 09:00 EST"},
      {"后天上午9点", "2024-11-02 23:30", "2024-11-04 09:00 EST"},
      {"明天上午1点半", "2024-11-02 20:00", "2024-11-03 01:30 EDT"},
      {"周一上午9点", "2024-11-03 10:00", "2024-11-04 09:00 EST"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phrase + " at " + c.now);
    EXPECT_EQ(read(c.phrase, c.now, "yyyy-MM-dd HH:mm zzz").second, c.moment);
  }
}

TEST_F(RemindPhraseTest, TheParserStopsAtItsBounds) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "今";
  RemindTokenParser parser(text);
  std::size_t tokens = 0;
  while (parser.getNextToken().type != RemindToken::Type::Eof && tokens < 1000) ++tokens;
  EXPECT_EQ(tokens, RemindTokenParser::kMaxChars);
}

}  // namespace
}  // namespace vl
