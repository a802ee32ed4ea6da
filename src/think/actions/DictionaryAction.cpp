#include "think/actions/DictionaryAction.h"

#include "platform/system/SystemDictionary.h"
#include "platform/system/net/DictClient.h"

namespace vl {

namespace {

constexpr std::size_t kHeadWords = 5;

}  // namespace

std::string definitionHead(const std::string& definition) {
  // Dictionary servers indent and wrap their text, so any run of white space parts two words.
  std::string head;
  std::size_t words = 0;
  for (std::size_t i = 0; i < definition.size() && words < kHeadWords;) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < definition.size() && space(definition[i])) ++i;
    const std::size_t start = i;
    while (i < definition.size() && !space(definition[i])) ++i;
    if (i == start) break;
    if (!head.empty()) head += ' ';
    head.append(definition, start, i - start);
    ++words;
  }
  return words == kHeadWords ? head : std::string();
}

DictionaryAction& DictionaryAction::shared() {
  static DictionaryAction action;
  return action;
}

bool DictionaryAction::wordInDictionary(const std::string& word) {
  // The word goes into a query and, through the preview, into an address: a line end or other control
  // character that the letters rule lets through at the end must not.
  if (!dictWordIsSafe(word)) return false;
  std::function<void()> arrived;
  if (arrived_) arrived = [handler = arrived_, word] { handler(word); };
  const DictionaryAnswer answer = SystemDictionary::shared()->lookUp(word, std::move(arrived));
  if (answer.state != DictionaryAnswer::State::Found) return false;
  std::string head = definitionHead(answer.definition);
  if (head.empty()) return false;
  pronunciation_ = std::move(head);
  return true;
}

std::optional<std::string> DictionaryAction::getLabel(const std::string&, Json&) { return pronunciation_; }

std::optional<ui::AttributedString> DictionaryAction::getText(const std::string& text, Json& dict) {
  if (!dict.is_object()) dict = Json::object();
  dict["custom_view"] = "TranslateView";
  dict["translate_words"] = text;
  return defaultAttributedString("");
}

}  // namespace vl
