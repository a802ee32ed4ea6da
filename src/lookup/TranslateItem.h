#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vl {

// One pronunciation of a dictionary page: the region label ("UK"), the transcription ("[həˈləʊ]") and
// the address of its audio (empty when the page links none).
struct Pronounce {
  std::string country;
  std::string phonetic;
  std::string voiceLink;
  bool operator==(const Pronounce&) const = default;
};

// What the dictionary view shows of a page: the headword, its pronunciations in page order (the first
// eight; two are shown), the explanation (one definition a line) and the English definition. A page
// without the expected parts gives empty fields.
struct TranslateItem {
  std::string keywords;
  std::vector<Pronounce> pronounceList;
  std::string desc;
  std::string engTrans;

  bool empty() const { return keywords.empty() && pronounceList.empty() && desc.empty() && engTrans.empty(); }

  // Picks the parts out of a page. `charset` is the response's (empty reads UTF-8, never a guess);
  // audio addresses are made on `base`. Runs off the main thread.
  static TranslateItem parse(std::string page, std::string_view charset, std::string_view base);
};

}  // namespace vl
