#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl {

// Where a dictionary server (the DICT protocol, RFC 2229) listens.
struct DictEndpoint {
  static constexpr std::uint16_t kDefaultPort = 2628;
  std::string host = "127.0.0.1";
  std::uint16_t port = kDefaultPort;

  // "host", "host:port", "[v6 address]" or "[v6 address]:port"; nullopt for anything else (an empty
  // host, a port outside 1-65535, stray characters).
  static std::optional<DictEndpoint> parse(std::string_view text);
  // VELLISTO_DICT_SERVER, else 127.0.0.1:2628; an unreadable value is logged and the default used.
  static DictEndpoint fromEnvironment();
  bool operator==(const DictEndpoint&) const = default;
};

// How long one question may take and how much of the answer is read.
struct DictLimits {
  // Connecting, once the name is resolved.
  double connectMs = 150;
  // The whole exchange, resolving and connecting included.
  double answerMs = 300;
  std::size_t maxBytes = 64 * 1024;
};

enum class DictStatus {
  Found,
  NoMatch,
  // Refused, unreachable, or silent past the limits.
  Unreachable,
  // It answered, but not as a dictionary server does (or past the byte limit).
  Failed,
};

struct DictReply {
  DictStatus status = DictStatus::Failed;
  // The first definition's text, its lines joined with "\n" (Found only).
  std::string definition;
};

// One address a host name resolved to.
struct DictAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
};
// Resolves a host name; it may block for as long as it likes (the system's resolver waits on DNS), as
// dictDefine asks it on a thread of its own and waits no longer than its limit. Empty when the name
// has no address.
using DictResolver = std::function<std::vector<DictAddress>(const std::string& host, std::uint16_t port)>;

// Whether a word may be put into a query: valid UTF-8 of at most 256 bytes with no control character,
// no quote and no backslash, so nothing the user copied can end the command line or open another one.
bool dictWordIsSafe(std::string_view word);

// Asks the server once (DEFINE in the first database that knows the word) and returns within the
// limits, the resolution of the server's name included (by `resolve`, else the system's resolver; an
// address needs none). Blocks the calling thread: never call it on the main thread.
DictReply dictDefine(const DictEndpoint& endpoint, std::string_view word, const DictLimits& limits = {},
                     const DictResolver& resolve = {});

}  // namespace vl
