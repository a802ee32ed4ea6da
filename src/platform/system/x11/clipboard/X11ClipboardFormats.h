#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system/Pasteboard.h"

// How the pasteboard's types travel as X selection targets, both ways. Plain data in, plain data out,
// so the mapping is tested without a server.
namespace vl::x11::clipboard {

// One target the owner answered: its name, the type name of the answer and the bytes.
struct Answer {
  std::string target;
  std::string type;
  std::string data;
};

// The targets worth asking an owner for, of those it offers, at most one per pasteboard type, best
// first, a password manager's hint before all. An owner that offered no list (or garbage) is asked for
// plain text only.
std::vector<std::string> wantedTargets(const std::vector<std::string>& offered);
// The items the answers make: the first item holds every type, further file or web URLs of a URL list
// become one item each. Text that is not valid UTF-8 is kept with each bad byte replaced by U+FFFD (STRING
// is Latin-1 and converted); an answer that is not what its target promises (a URL list that is not
// text, an image without the PNG signature) is left out. Both are logged.
std::vector<PasteboardItem> itemsFromAnswers(const std::vector<Answer>& answers);

// What this program offers for the items it owns, TARGETS not included.
std::vector<std::string> targetsFor(const std::vector<PasteboardItem>& items);
// The answer (type, bytes) for one target; nullopt when the items have nothing for it.
std::optional<std::pair<std::string, std::string>> answerFor(const std::vector<PasteboardItem>& items,
                                                             const std::string& target);

// Text helpers of the X text types.
std::string latin1ToUtf8(std::string_view latin1);
// Characters outside Latin-1 become '?'.
std::string utf8ToLatin1(std::string_view utf8);
// UTF-8 as it stands, or UTF-16 with a byte-order mark decoded, trailing NUL bytes dropped.
std::string decodeHtml(std::string_view data);
// The URLs of a text/uri-list: comment lines and blank lines dropped, CRLF or LF line ends.
std::vector<std::string> parseUriList(std::string_view data);

}  // namespace vl::x11::clipboard
