#include "sync/client/Ping.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>

namespace vl {

Ping::Ping(PingDelegate* delegate, double timeoutMs) : delegate_(delegate), timeoutMs_(timeoutMs) {}

void Ping::clear() {
  ready_ = false;
  failedCount_ = 0;
}

void Ping::readyForWork() { ready_ = true; }

void Ping::tryConnect() {
  if (!ready_ || !delegate_) return;
  if (oneTake(delegate_->pingFetchIP(), delegate_->pingFetchPort(), timeoutMs_)) {
    failedCount_ = 0;
    return;
  }
  if (++failedCount_ < delegate_->pingRetryTimes()) return;
  delegate_->pingDidFailed(*this);
  clear();
}

bool Ping::oneTake(const std::string& ip, std::int64_t port, double timeoutMs) {
  if (ip.empty() || port <= 0 || port > 65535) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) return false;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (!connected && errno == EINPROGRESS) {
    // The system's own connect time-out is minutes; a probe that blocks a queue that long is no probe.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double, std::milli>(std::isfinite(timeoutMs) ? timeoutMs : 0);
    pollfd waiting{fd, POLLOUT, 0};
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno == EINTR) continue;
      if (ready == 1) {
        int error = 0;
        socklen_t length = sizeof error;
        connected = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
      }
      break;
    }
  }
  ::close(fd);
  return connected;
}

}  // namespace vl
