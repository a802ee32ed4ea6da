#include "platform/foundation/Url.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>

#include "platform/foundation/Files.h"

namespace vl {

namespace {

bool isUnreserved(unsigned char c) { return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

bool keeps(PercentSet set, unsigned char c) {
  if (isUnreserved(c)) return true;
  switch (set) {
    case PercentSet::QueryComponent:
      return false;
    case PercentSet::Path:
      return std::string_view("/!$&'()*,;=:@+").find(static_cast<char>(c)) != std::string_view::npos;
    case PercentSet::Query:
    case PercentSet::Fragment:
      return std::string_view("/?&=!$'()*,;:@").find(static_cast<char>(c)) != std::string_view::npos;
  }
  return false;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::string percentEncode(std::string_view text, PercentSet set) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (keeps(set, c)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0xF]);
    }
  }
  return out;
}

std::string percentDecode(std::string_view text, bool plusAsSpace) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(plusAsSpace && c == '+' ? ' ' : c);
  }
  return out;
}

std::optional<Url> Url::parse(std::string_view text) {
  std::size_t colon = text.find(':');
  if (colon == 0 || colon == std::string_view::npos) return std::nullopt;
  std::string_view scheme = text.substr(0, colon);
  if (!std::isalpha(static_cast<unsigned char>(scheme[0]))) return std::nullopt;
  for (char c : scheme)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return std::nullopt;
  Url url;
  url.scheme = lower(scheme);
  std::string_view rest = text.substr(colon + 1);
  if (std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
    url.fragment = std::string(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (std::size_t q = rest.find('?'); q != std::string_view::npos) {
    url.query = std::string(rest.substr(q + 1));
    url.hasQuery = true;
    rest = rest.substr(0, q);
  }
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
      url.user = std::string(authority.substr(0, at));
      authority = authority.substr(at + 1);
    }
    std::string_view hostPart = authority;
    std::string_view portPart;
    if (authority.starts_with('[')) {  // an IPv6 literal keeps its colons
      std::size_t close = authority.find(']');
      if (close == std::string_view::npos) return std::nullopt;
      hostPart = authority.substr(0, close + 1);
      std::string_view after = authority.substr(close + 1);
      if (after.starts_with(':'))
        portPart = after.substr(1);
      else if (!after.empty())
        return std::nullopt;
    } else if (std::size_t pc = authority.rfind(':'); pc != std::string_view::npos) {
      hostPart = authority.substr(0, pc);
      portPart = authority.substr(pc + 1);
    }
    if (!portPart.empty()) {
      if (portPart.size() > 5) return std::nullopt;
      int port = 0;
      for (char c : portPart) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        port = port * 10 + (c - '0');
      }
      if (port > 65535) return std::nullopt;
      url.port = port;
    }
    url.host = lower(hostPart);
  }
  url.path = std::string(rest);
  return url;
}

std::string Url::authority() const { return port >= 0 ? host + ":" + std::to_string(port) : host; }

std::string Url::toString() const {
  std::string out = scheme + ":";
  if (!host.empty() || scheme == "file") {
    out += "//";
    if (!user.empty()) out += user + "@";
    out += authority();
  }
  out += path;
  if (hasQuery) out += "?" + query;
  if (!fragment.empty()) out += "#" + fragment;
  return out;
}

std::string fileUrlFromPath(std::string_view path) {
  std::string absolute(path);
  if (!absolute.starts_with('/')) {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd)) absolute = files::joinPath(cwd, absolute);
  }
  return "file://" + percentEncode(absolute, PercentSet::Path);
}

std::optional<std::string> pathFromFileUrl(std::string_view text) {
  std::optional<Url> url = Url::parse(text);
  if (!url || url->scheme != "file") return std::nullopt;
  if (!url->host.empty() && url->host != "localhost") return std::nullopt;
  if (url->path.empty()) return std::nullopt;
  return percentDecode(url->path);
}

}  // namespace vl
