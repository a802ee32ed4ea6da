#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vl {

// Which characters stay unescaped. Everything outside ASCII letters, digits and "-._~" plus the set's
// own extras is written as %XX (uppercase hex) byte by byte.
enum class PercentSet {
  // Strict: only unreserved characters survive (a query key or value: & = # + ? / are escaped).
  QueryComponent,
  // A path: "/" and the sub-delimiters "!$&'()*+,;=:@" stay.
  Path,
  // A whole query: also "/?&=" stay, "#" and "+" are escaped.
  Query,
  // A fragment: like a query.
  Fragment,
};

std::string percentEncode(std::string_view text, PercentSet set = PercentSet::QueryComponent);
// Decodes %XX sequences; a malformed "%" is kept as it stands. With plusAsSpace "+" becomes " ".
std::string percentDecode(std::string_view text, bool plusAsSpace = false);

// A small URL split: scheme://[user@]host[:port]/path?query#fragment. Fields are kept as written
// (still percent-encoded); the scheme is lowercased.
struct Url {
  std::string scheme;
  std::string user;
  std::string host;
  int port = -1;  // -1 when not given
  std::string path;
  std::string query;
  std::string fragment;
  bool hasQuery = false;

  // nullopt when there is no "scheme:" or the port is not a number in 0..65535.
  static std::optional<Url> parse(std::string_view text);
  std::string toString() const;
  // Host with the port when given ("example.com:8080").
  std::string authority() const;
};

// "file://" + the percent-encoded absolute path. A relative path is made absolute from the current folder.
std::string fileUrlFromPath(std::string_view path);
// The decoded path of a "file://" URL (host empty or "localhost"); nullopt for other URLs.
std::optional<std::string> pathFromFileUrl(std::string_view url);

}  // namespace vl
