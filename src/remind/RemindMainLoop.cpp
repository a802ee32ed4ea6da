#include "remind/RemindMainLoop.h"

#include <vector>

#include "platform/foundation/Text.h"
#include "remind/RemindTokenParser.h"

namespace vl {

namespace {

// A UTF-16 unit takes at most three bytes, so a longer text has more units than a phrase may.
constexpr std::size_t kMaxPhraseBytes = RemindMainLoop::kMaxPhrase * 3;

std::string wordOf(const RemindToken& token) {
  using Type = RemindToken::Type;
  switch (token.type) {
    case Type::Next:
      return "下";
    case Type::Weekday:
      return "周" + (token.value == "7" ? std::string("日") : token.value);
    case Type::AM:
      return "上午";
    case Type::PM:
      return "下午";
    case Type::Today:
      return "今天";
    case Type::Tomorrow:
      return "明天";
    case Type::DayAfterTomorrow:
      return "后天";
    case Type::Time:
      return token.value.find(':') == std::string::npos ? token.value + ":00" : token.value;
    case Type::Eof:
    case Type::Undefined:
      break;
  }
  return {};
}

}  // namespace

std::optional<RemindResult> RemindMainLoop::get(std::string_view text) {
  if (text.size() > kMaxPhraseBytes || utf16Length(text) > kMaxPhrase) return std::nullopt;
  RemindTokenParser parser(text);
  std::vector<RemindToken> list;
  using Type = RemindToken::Type;
  for (parser.getNextToken(); !parser.isEOF(); parser.getNextToken()) {
    const RemindToken& token = parser.getCurToken();
    if (token.type == Type::Time) {
      list.push_back(token);
      break;
    }
    switch (token.type) {
      case Type::Next:
        list.clear();
        list.push_back(token);
        break;
      case Type::Weekday:
        if (!list.empty() && list.back().type != Type::Next) list.clear();
        list.push_back(token);
        break;
      case Type::Undefined:
        // A day word must touch what follows it: "明天 上午3点" is this morning.
        if (!list.empty() && list.back().isDay()) list.pop_back();
        break;
      default:
        list.push_back(token);
        break;
    }
  }
  if (list.empty() || list.back().type != Type::Time) return std::nullopt;
  std::string when;
  for (const RemindToken& token : list) when += wordOf(token);
  return RemindResult(std::move(when));
}

}  // namespace vl
