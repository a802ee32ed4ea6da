#include "platform/system/net/DictClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

using Steady = std::chrono::steady_clock;

constexpr std::size_t kMaxWordBytes = 256;

std::optional<std::uint16_t> parsePort(std::string_view text) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
    return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// Milliseconds left until `deadline`, at least 0.
int remainingMs(Steady::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The host's addresses by getaddrinfo; `flags` AI_NUMERICHOST takes addresses only and never blocks.
std::vector<DictAddress> lookUpAddresses(const std::string& host, std::uint16_t port, int flags) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | flags;
  addrinfo* found = nullptr;
  std::vector<DictAddress> addresses;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return addresses;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    DictAddress address;
    std::memcpy(&address.address, a->ai_addr, a->ai_addrlen);
    address.length = a->ai_addrlen;
    addresses.push_back(address);
  }
  freeaddrinfo(found);
  return addresses;
}

// The server's addresses, or nullopt when its name was not resolved by `deadline`. A name is resolved
// on a thread of its own, left behind when it outlasts the deadline (the system's resolver cannot be
// cancelled): it ends with its resolver and its answer is dropped.
std::optional<std::vector<DictAddress>> resolveBy(const DictEndpoint& endpoint, const DictResolver& resolve,
                                                  Steady::time_point deadline) {
  if (auto numeric = lookUpAddresses(endpoint.host, endpoint.port, AI_NUMERICHOST); !numeric.empty())
    return numeric;
  struct Answer {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<std::vector<DictAddress>> addresses;
  };
  auto answer = std::make_shared<Answer>();
  DictResolver resolver = resolve ? resolve : [](const std::string& host, std::uint16_t port) {
    return lookUpAddresses(host, port, 0);
  };
  try {
    std::thread([answer, resolver = std::move(resolver), host = endpoint.host, port = endpoint.port] {
      std::vector<DictAddress> found;
      try {
        found = resolver(host, port);
      } catch (const std::exception&) {
        // Nothing resolved: the question ends as for a name without an address.
      }
      std::lock_guard lock(answer->mutex);
      answer->addresses = std::move(found);
      answer->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    logError("dictionary: no thread to resolve the server's name on");
    return std::nullopt;
  }
  std::unique_lock lock(answer->mutex);
  if (!answer->done.wait_until(lock, deadline, [&] { return answer->addresses.has_value(); }))
    return std::nullopt;
  return std::move(answer->addresses);
}

class Socket {
 public:
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  // Tries each address until one connects before the deadline.
  bool connect(const std::vector<DictAddress>& addresses, Steady::time_point deadline) {
    bool connected = false;
    for (auto a = addresses.begin(); a != addresses.end() && !connected; ++a)
      connected = tryOne(*a, deadline);
    return connected;
  }

  bool sendAll(std::string_view data, Steady::time_point deadline) {
    while (!data.empty()) {
      const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
      if (n > 0) {
        data.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
      if (!wait(POLLOUT, deadline)) return false;
    }
    return true;
  }

  // The next line without its CRLF; nullopt on a closed connection, the deadline or the byte limit.
  std::optional<std::string> readLine(Steady::time_point deadline, std::size_t& budget) {
    for (;;) {
      const std::size_t end = buffer_.find("\r\n", scanned_);
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        scanned_ = 0;
        return line;
      }
      scanned_ = buffer_.empty() ? 0 : buffer_.size() - 1;
      if (budget == 0) return std::nullopt;
      char chunk[4096];
      const ssize_t n = ::recv(fd_, chunk, std::min(sizeof chunk, budget), 0);
      if (n > 0) {
        buffer_.append(chunk, static_cast<std::size_t>(n));
        budget -= static_cast<std::size_t>(n);
        continue;
      }
      if (n == 0) return std::nullopt;
      if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return std::nullopt;
      if (!wait(POLLIN, deadline)) return std::nullopt;
    }
  }

  bool timedOut() const { return timedOut_; }

 private:
  bool tryOne(const DictAddress& a, Steady::time_point deadline) {
    const int fd = ::socket(a.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a.address), a.length) != 0 && errno != EINPROGRESS) {
      ::close(fd);
      return false;
    }
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (::poll(&p, 1, remainingMs(deadline)) != 1 ||
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      ::close(fd);
      return false;
    }
    fd_ = fd;
    return true;
  }

  bool wait(short events, Steady::time_point deadline) {
    pollfd p{fd_, events, 0};
    for (;;) {
      const int left = remainingMs(deadline);
      if (left == 0) {
        timedOut_ = true;
        return false;
      }
      const int ready = ::poll(&p, 1, left);
      if (ready > 0) return true;
      if (ready == 0) {
        timedOut_ = true;
        return false;
      }
      if (errno != EINTR) return false;
    }
  }

  int fd_ = -1;
  std::string buffer_;
  std::size_t scanned_ = 0;
  bool timedOut_ = false;
};

// The three-digit status that starts a reply line; 0 when the line has none.
int statusOf(std::string_view line) {
  if (line.size() < 3) return 0;
  int code = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    code = code * 10 + (line[i] - '0');
  }
  return line.size() == 3 || line[3] == ' ' ? code : 0;
}

}  // namespace

std::optional<DictEndpoint> DictEndpoint::parse(std::string_view text) {
  DictEndpoint endpoint;
  std::string_view host = text;
  std::optional<std::string_view> port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      port = rest.substr(1);
    }
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    // A bare IPv6 address has several colons and needs brackets to carry a port.
    if (text.find(':') != colon) return std::nullopt;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (host.empty()) return std::nullopt;
  for (char c : host) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '[' || c == ']') return std::nullopt;
  }
  endpoint.host = std::string(host);
  if (port) {
    auto value = parsePort(*port);
    if (!value) return std::nullopt;
    endpoint.port = *value;
  }
  return endpoint;
}

DictEndpoint DictEndpoint::fromEnvironment() {
  const std::string value = environmentValue("VELLISTO_DICT_SERVER");
  if (value.empty()) return DictEndpoint();
  if (auto endpoint = parse(value)) return *endpoint;
  logWarningf("dictionary: VELLISTO_DICT_SERVER \"%s\" is not host[:port]; asking 127.0.0.1:2628",
              value.c_str());
  return DictEndpoint();
}

bool dictWordIsSafe(std::string_view word) {
  if (word.empty() || word.size() > kMaxWordBytes || !isValidUtf8(word)) return false;
  for (unsigned char c : word) {
    if (c < 0x20 || c == 0x7f || c == '"' || c == '\\') return false;
  }
  // C1 controls and the Unicode line and paragraph separators end lines for some readers too.
  for (const char32_t c : toUtf16(word)) {
    if ((c >= 0x80 && c <= 0x9f) || c == 0x2028 || c == 0x2029) return false;
  }
  return true;
}

DictReply dictDefine(const DictEndpoint& endpoint, std::string_view word, const DictLimits& limits,
                     const DictResolver& resolve) {
  DictReply reply;
  if (!dictWordIsSafe(word)) return reply;
  const Steady::time_point start = Steady::now();
  const auto ms = [](double value) {
    return std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double, std::milli>(value));
  };
  const Steady::time_point answerBy = start + ms(limits.answerMs);
  const std::optional<std::vector<DictAddress>> addresses = resolveBy(endpoint, resolve, answerBy);
  if (!addresses) {
    reply.status = DictStatus::Unreachable;
    return reply;
  }
  Socket socket;
  if (!socket.connect(*addresses, std::min(answerBy, Steady::now() + ms(limits.connectMs)))) {
    reply.status = DictStatus::Unreachable;
    return reply;
  }
  std::size_t budget = limits.maxBytes;
  const auto silent = [&] {
    reply.status = socket.timedOut() ? DictStatus::Unreachable : DictStatus::Failed;
    return reply;
  };
  // 220: the banner of a server ready for commands.
  auto line = socket.readLine(answerBy, budget);
  if (!line) return silent();
  if (statusOf(*line) != 220) return reply;
  const std::string command = "DEFINE ! \"" + std::string(word) + "\"\r\n";
  if (!socket.sendAll(command, answerBy)) return silent();
  line = socket.readLine(answerBy, budget);
  if (!line) return silent();
  const int status = statusOf(*line);
  if (status == 552) {
    reply.status = DictStatus::NoMatch;
    socket.sendAll("QUIT\r\n", answerBy);
    return reply;
  }
  if (status != 150) return reply;
  line = socket.readLine(answerBy, budget);
  if (!line) return silent();
  if (statusOf(*line) != 151) return reply;
  // The text runs to a line holding a single dot; a leading dot of a text line is doubled.
  std::string text;
  for (;;) {
    line = socket.readLine(answerBy, budget);
    if (!line) return silent();
    if (*line == ".") break;
    std::string_view content = *line;
    if (content.size() > 1 && content[0] == '.' && content[1] == '.') content.remove_prefix(1);
    if (!text.empty()) text += '\n';
    text += content;
  }
  // Only the first definition is read; the rest of the answer is not waited for.
  socket.sendAll("QUIT\r\n", answerBy);
  reply.status = DictStatus::Found;
  reply.definition = sanitizeUtf8(text);
  return reply;
}

}  // namespace vl
