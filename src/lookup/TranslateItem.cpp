#include "lookup/TranslateItem.h"

#include "lookup/DictionaryService.h"
#include "lookup/TFHpple.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr std::size_t kMaxPronunciations = 8;

// The explanation block is indented markup: each line is trimmed and blank ones dropped, so what
// shows is one definition per line.
std::string tidyLines(std::string_view text) {
  std::string out;
  for (const std::string& line : splitLines(text)) {
    std::string kept = trimWhitespace(line);
    if (kept.empty()) continue;
    if (!out.empty()) out += '\n';
    out += kept;
  }
  return out;
}

}  // namespace

TranslateItem TranslateItem::parse(std::string page, std::string_view charset, std::string_view base) {
  const TFHpple document = TFHpple::hppleWithHTMLData(
      std::move(page), charset.empty() ? std::string("UTF-8") : std::string(charset));
  TranslateItem item;
  if (auto keyword = document.peekAtSearchWithXPathQuery("//span[@class='keyword']")) {
    item.keywords = trimWhitespace(keyword->content());
  }
  // Two rows show pronunciations; a page with thousands of them costs no more than a few.
  HppleQueryOptions pronunciations;
  pronunciations.maxMatches = kMaxPronunciations;
  for (const TFHppleElement& element :
       document.searchWithXPathQuery("//span[@class='pronounce']", pronunciations)) {
    Pronounce pronounce;
    pronounce.country = trimWhitespace(element.text());
    const auto phonetics = element.childrenWithClassName("phonetic");
    if (!phonetics.empty()) pronounce.phonetic = trimWhitespace(phonetics.front().text());
    const auto links = element.childrenWithTagName("a");
    if (!links.empty()) {
      if (auto key = links.front().objectForKey("data-rel"); key && !key->empty()) {
        pronounce.voiceLink = dictionaryVoiceURL(base, *key);
      }
    }
    item.pronounceList.push_back(std::move(pronounce));
  }
  if (auto container = document.peekAtSearchWithXPathQuery("//div[@class='trans-container']")) {
    item.desc = tidyLines(container->content());
  }
  if (auto definition =
          document.peekAtSearchWithXPathQuery("//div[@id='tEETrans']//li//span[@class='def']")) {
    item.engTrans = trimWhitespace(definition->content());
  }
  return item;
}

}  // namespace vl
