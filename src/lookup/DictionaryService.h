#pragma once

#include <string>
#include <string_view>

namespace vl {

// The online dictionary the dictionary view asks: its pages at "/search?q=<word>", pronunciations at
// "/dictvoice?audio=<key>". The host is a public default that a services file ($VELLISTO_SERVICES,
// key "dictionary") may replace, as tests do to reach a loopback server.
inline constexpr const char* kDictionaryService = "dictionary";
inline constexpr const char* kDictionaryDefaultBase = "https://dict.youdao.com";

// The base address in force now ("https://host", no trailing "/").
std::string dictionaryBaseURL();
// The page of a word: the word is escaped as one query value, so nothing in it can add a parameter,
// end the query or leave the host.
std::string dictionaryLookupURL(std::string_view base, std::string_view word);
// The audio of a pronunciation. The page's key may carry the service's own parameters ("hello&type=1"
// picks the accent), so "&" and "=" stay; spaces, "#", "%", "+" and everything outside ASCII are escaped.
std::string dictionaryVoiceURL(std::string_view base, std::string_view key);

// The charset parameter of a Content-Type ("text/html; charset=GBK" gives "GBK"); empty when there is
// none or it is not a plausible name.
std::string charsetOfContentType(std::string_view contentType);

}  // namespace vl
