#include "lookup/DictionaryService.h"

#include "core/web/WebSearch.h"
#include "platform/foundation/ServiceHosts.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

constexpr std::size_t kMaxCharsetName = 40;

bool isCharsetNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
         c == '.' || c == ':';
}

}  // namespace

std::string dictionaryBaseURL() { return serviceBaseURL(kDictionaryService, kDictionaryDefaultBase); }

std::string dictionaryLookupURL(std::string_view base, std::string_view word) {
  return std::string(base) + "/search?q=" + escapeSearchText(word);
}

std::string dictionaryVoiceURL(std::string_view base, std::string_view key) {
  return std::string(base) + "/dictvoice?audio=" + percentEncode(key, PercentSet::Query);
}

std::string charsetOfContentType(std::string_view contentType) {
  std::size_t at = 0;
  while (at < contentType.size()) {
    std::size_t end = contentType.find(';', at);
    if (end == std::string_view::npos) end = contentType.size();
    const std::string part = trimWhitespace(contentType.substr(at, end - at));
    at = end + 1;
    const std::size_t equals = part.find('=');
    if (equals == std::string::npos || lowercase(trimWhitespace(part.substr(0, equals))) != "charset")
      continue;
    std::string value = trimWhitespace(part.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.empty() || value.size() > kMaxCharsetName) return {};
    for (char c : value) {
      if (!isCharsetNameCharacter(c)) return {};
    }
    return value;
  }
  return {};
}

}  // namespace vl
