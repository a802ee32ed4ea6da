#include "gRPC/Server/ConnectionGate.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBacklog = 64;
// How long stop() lets hand-overs in progress end on their own before it shuts their connections down:
// the quit has three seconds in all, and gRPC's own shutdown needs the rest.
constexpr auto kHandoverStopWait = std::chrono::milliseconds(500);
// What a stranger's answer, once our handler gave it, has to go out before the sweep may close it.
constexpr auto kAnswerGrace = std::chrono::milliseconds(1000);

std::chrono::steady_clock::duration millis(double ms) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
}

// The form gRPC gives its peers, so that limits per address read both alike.
std::string addressText(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    return std::string("ipv4:") + text + ":" + std::to_string(ntohs(v4.sin_port));
  }
  if (address.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
      ::inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
      return std::string("ipv4:") + text + ":" + std::to_string(ntohs(v6.sin6_port));
    }
    ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    return std::string("ipv6:[") + text + "]:" + std::to_string(ntohs(v6.sin6_port));
  }
  return "unknown";
}

void closeQuietly(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

ConnectionGate::ConnectionGate(Options options) : options_(options) {}

ConnectionGate::~ConnectionGate() {
  stop();
  closeQuietly(listener_);
}

bool ConnectionGate::listen(const std::string& ip, int port) {
  std::string host = ip;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  if (const int err = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); err != 0) {
    logErrorf("sync server: can't bind %s: %s", ip.c_str(), ::gai_strerror(err));
    return false;
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
  const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    logErrorf("sync server: no socket: %s", std::strerror(errno));
    return false;
  }
  // A restart may bind at once despite connections of the last run winding down; a second program on
  // the same port still fails, as no port is shared.
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, kBacklog) != 0) {
    logErrorf("sync server: can't bind %s:%d: %s", ip.c_str(), port, std::strerror(errno));
    ::close(fd);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(bound).sin6_port)
                                      : ntohs(reinterpret_cast<sockaddr_in&>(bound).sin_port);
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    logErrorf("sync server: no wake-up pipe: %s", std::strerror(errno));
    ::close(fd);
    return false;
  }
  listener_ = fd;
  return true;
}

void ConnectionGate::start(Handover handover) {
  if (listener_ < 0 || thread_.joinable()) return;
  handovers_.handover = std::move(handover);
  handovers_.most = options_.maxConnections + options_.maxConnections / 2;
  thread_ = std::thread([this] { run(); });
}

void ConnectionGate::queueHandover(int fd) {
  MutexLock lock(handovers_.mutex);
  handovers_.waiting.push_back(fd);
  startHandoverLocked();
}

bool ConnectionGate::startHandoverLocked() {
  // A hand-over may stay in gRPC as long as its peer keeps sending: one that waits gets a thread of its
  // own rather than waiting behind it. There are never more than the table holds connections.
  if (handovers_.stopping || handovers_.idle >= handovers_.waiting.size() ||
      handovers_.running >= handovers_.most) {
    handovers_.changed.notify_one();
    return true;
  }
  try {
    if (options_.handoverThreadStarting) options_.handoverThreadStarting();
    handoverThreads_.emplace_back([this] { handOver(); });
    ++handovers_.running;
    handovers_.refused = false;
    return true;
  } catch (const std::system_error& error) {
    // The gate's thread asks again each round; until then a running thread may take the connection.
    if (!handovers_.refused) logWarningf("sync server: no hand-over thread: %s", error.what());
    handovers_.refused = true;
    handovers_.changed.notify_one();
    return false;
  }
}

void ConnectionGate::tendHandovers(Time now) {
  std::vector<std::thread::id> ended;
  {
    MutexLock lock(handovers_.mutex);
    ended.swap(handovers_.ended);
    startHandoverLocked();
  }
  // An ended thread has only its return left.
  for (const std::thread::id id : ended) {
    const auto it = std::find_if(handoverThreads_.begin(), handoverThreads_.end(),
                                 [id](const std::thread& thread) { return thread.get_id() == id; });
    if (it == handoverThreads_.end()) continue;
    it->join();
    handoverThreads_.erase(it);
  }
  // A queued connection the sweep shut down waited past a stranger's time for a thread: the gate
  // closes it rather than keep its descriptor until a hand-over comes.
  std::set<int> givenUp;
  {
    MutexLock lock(mutex_);
    for (const auto& [fd, connection] : connections_) {
      if (connection.closing) givenUp.insert(fd);
    }
  }
  if (givenUp.empty()) return;
  std::vector<int> dropped;
  {
    MutexLock lock(handovers_.mutex);
    auto& waiting = handovers_.waiting;
    for (auto it = waiting.begin(); it != waiting.end();) {
      if (givenUp.count(*it) == 0) {
        ++it;
        continue;
      }
      dropped.push_back(*it);
      it = waiting.erase(it);
    }
  }
  if (dropped.empty()) return;
  // Only the gate's thread adds entries: the numbers still name the entries read above.
  MutexLock lock(mutex_);
  for (int fd : dropped) {
    if (auto it = connections_.find(fd); it != connections_.end()) {
      closeQuietly(it->second.copy);
      connections_.erase(it);
    }
    closeQuietly(fd);
  }
  report(now, "sync server: " + std::to_string(dropped.size()) +
                  " queued connections closed: no hand-over thread took them");
}

void ConnectionGate::handOver() {
  // Fifteen characters at most: a longer name is refused and the thread keeps the gate's.
  pthread_setname_np(pthread_self(), "vl-sync-handovr");
  Handovers& share = handovers_;
  MutexLock lock(share.mutex);
  while (!share.stopping) {
    if (share.waiting.empty()) {
      // A few wait for the next connections; the rest end.
      if (share.idle >= kIdleHandoverThreads) break;
      ++share.idle;
      share.changed.wait(lock);
      --share.idle;
      continue;
    }
    const int fd = share.waiting.front();
    share.waiting.pop_front();
    share.inside.insert(fd);
    lock.unlock();
    share.handover(fd);
    lock.lock();
    share.inside.erase(fd);
  }
  --share.running;
  share.ended.push_back(std::this_thread::get_id());
  share.changed.notify_all();
}

void ConnectionGate::stop() {
  const bool started = thread_.joinable();
  if (started) {
    // First, so that no hand-over starts while the gate winds down.
    {
      MutexLock lock(handovers_.mutex);
      handovers_.stopping = true;
      handovers_.changed.notify_all();
    }
    const char byte = 0;
    if (::write(wake_[1], &byte, 1) != 1) logWarning("sync server: the connection gate's wake-up failed");
    thread_.join();
  }
  std::deque<int> unsent;
  std::set<int> stuck;
  if (started) {
    Handovers& share = handovers_;
    MutexLock lock(share.mutex);
    unsent.swap(share.waiting);
    const auto deadline = Clock::now() + kHandoverStopWait;
    while (share.running > 0 && Clock::now() < deadline) share.changed.wait_until(lock, deadline);
    stuck = share.inside;
  }
  if (!stuck.empty()) {
    // gRPC reads a connection inside its hand-over until the connection ends: ending it ends the call.
    logWarningf("sync server: %zu connection hand-overs still in gRPC; their connections are shut down",
                stuck.size());
    MutexLock lock(mutex_);
    for (int fd : stuck) {
      if (auto it = connections_.find(fd); it != connections_.end()) ::shutdown(it->second.copy, SHUT_RDWR);
    }
  }
  for (std::thread& thread : handoverThreads_) thread.join();
  handoverThreads_.clear();
  // Never given to gRPC: still the gate's to close.
  for (int fd : unsent) closeQuietly(fd);
  closeQuietly(wake_[0]);
  closeQuietly(wake_[1]);
  closeQuietly(listener_);
  MutexLock lock(mutex_);
  for (auto& [fd, connection] : connections_) closeQuietly(connection.copy);
  connections_.clear();
}

void ConnectionGate::run() {
  pthread_setname_np(pthread_self(), "vl-sync-gate");
  const int timeoutMs = std::max(1, static_cast<int>(options_.sweepMs));
  bool accepting = true;
  for (;;) {
    // While accepting is paused the listener is not watched, so a backlog it cannot take never spins.
    pollfd watched[2] = {{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    const int ready = ::poll(watched, accepting ? 2 : 1, timeoutMs);
    if (ready < 0 && errno != EINTR) {
      logErrorf("sync server: the connection gate stops: %s", std::strerror(errno));
      return;
    }
    if (watched[0].revents != 0) return;
    const Time now = Clock::now();
    accepting = !accepting || !(watched[1].revents & POLLIN) || accept(now);
    {
      MutexLock lock(mutex_);
      sweepLocked(now);
    }
    tendHandovers(now);
  }
}

void ConnectionGate::report(Time now, const std::string& line) {
  if (now - lastReport_ < std::chrono::seconds(1)) {
    ++unreported_;
    return;
  }
  if (unreported_ > 0) {
    logWarningf("%s (and %zu more about connections left out since the line before)", line.c_str(),
                unreported_);
  } else {
    logWarning(line);
  }
  lastReport_ = now;
  unreported_ = 0;
}

bool ConnectionGate::accept(Time now) {
  for (;;) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
      const int err = errno;
      MutexLock lock(mutex_);
      report(now, std::string("sync server: accepting paused: ") + std::strerror(err));
      return false;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    struct stat st {};
    int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0 || ::fstat(fd, &st) != 0) {
      const int err = errno;
      closeQuietly(copy);
      ::close(fd);
      MutexLock lock(mutex_);
      report(now, "sync server: connection from " + addressText(peer) + " refused: " + std::strerror(err));
      continue;
    }
    {
      MutexLock lock(mutex_);
      sweepLocked(now);
      std::size_t waiting = 0;
      for (const auto& item : connections_) waiting += item.second.closing ? 0 : 1;
      // Connections being shut down still hold descriptors until gRPC lets go; half the cap again at most.
      const bool full = connections_.size() >= options_.maxConnections + options_.maxConnections / 2 ||
                        (waiting >= options_.maxConnections && !pushOutOldestLocked(now));
      if (full) {
        report(now, "sync server: connection from " + addressText(peer) +
                        " refused: " + std::to_string(connections_.size()) + " connections open");
        closeQuietly(copy);
        ::close(fd);
        continue;
      }
      // A number the kernel hands out again is one gRPC let go of: the old entry is over.
      if (auto stale = connections_.find(fd); stale != connections_.end()) {
        closeQuietly(stale->second.copy);
        connections_.erase(stale);
      }
      connections_[fd] = Connection{copy, st.st_ino, addressText(peer), {}, now, false, false};
    }
    queueHandover(fd);
  }
}

bool ConnectionGate::stillHeld(int fd, ino_t inode) {
  // The number is gRPC's now: it may be closed and handed out again by another thread at any moment,
  // so it is not used here, only looked up in the descriptor table. The gate's duplicate keeps the
  // socket, and so its inode, alive: a number that still names that inode is still gRPC's.
  static const bool hasTable = ::access("/proc/self/fd", X_OK) == 0;
  if (!hasTable) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino == inode;
  }
  char link[64] = {};
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
  return length > 0 && std::string_view(link, static_cast<std::size_t>(length)) ==
                           "socket:[" + std::to_string(static_cast<unsigned long long>(inode)) + "]";
}

void ConnectionGate::sweepLocked(Time now) {
  for (auto it = connections_.begin(); it != connections_.end();) {
    Connection& connection = it->second;
    if (!stillHeld(it->first, connection.inode)) {
      closeQuietly(connection.copy);
      it = connections_.erase(it);
      continue;
    }
    const double limit = connection.everAdmitted ? options_.trustedIdleMs : options_.untrustedIdleMs;
    if (!connection.closing && connection.answering == 0 && now - connection.lastAdmitted > millis(limit)) {
      report(now, "sync server: connection from " + connection.address +
                      " closed: " + (connection.everAdmitted ? "idle" : "never admitted"));
      ::shutdown(connection.copy, SHUT_RDWR);
      connection.closing = true;
    }
    ++it;
  }
}

bool ConnectionGate::pushOutOldestLocked(Time now) {
  auto oldest = connections_.end();
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    const Connection& connection = it->second;
    if (connection.closing || connection.everAdmitted) continue;
    if (oldest == connections_.end() || connection.lastAdmitted < oldest->second.lastAdmitted) oldest = it;
  }
  if (oldest == connections_.end()) return false;
  report(now, "sync server: connection from " + oldest->second.address + " closed to make room");
  ::shutdown(oldest->second.copy, SHUT_RDWR);
  oldest->second.closing = true;
  return true;
}

int ConnectionGate::fdOfPeer(const std::string& peer) {
  if (peer.compare(0, 3, "fd:") != 0 || peer.size() == 3) return -1;
  char* end = nullptr;
  const long value = std::strtol(peer.c_str() + 3, &end, 10);
  return *end == '\0' && value >= 0 && value < 1 << 30 ? static_cast<int>(value) : -1;
}

ConnectionGate::Caller ConnectionGate::caller(const std::string& peer) { return callerOf(peer, false); }

ConnectionGate::Caller ConnectionGate::answering(const std::string& peer) { return callerOf(peer, true); }

ConnectionGate::Caller ConnectionGate::callerOf(const std::string& peer, bool answering) {
  const int fd = fdOfPeer(peer);
  MutexLock lock(mutex_);
  // The entry may outlive its connection until the next sweep: only a number that still names the
  // entry's socket is that connection.
  auto it = connections_.find(fd);
  if (it == connections_.end() || !stillHeld(fd, it->second.inode)) return Caller{-1, 0, peer};
  if (answering) ++it->second.answering;
  return Caller{fd, it->second.inode, it->second.address, answering};
}

void ConnectionGate::noteCall(const Caller& caller, bool admitted, const std::string& device) {
  if (caller.fd < 0 || (!admitted && !caller.answering)) return;
  MutexLock lock(mutex_);
  auto it = connections_.find(caller.fd);
  if (it == connections_.end() || it->second.inode != caller.inode || !stillHeld(caller.fd, caller.inode))
    return;
  Connection& connection = it->second;
  const Time now = Clock::now();
  if (caller.answering && connection.answering > 0) --connection.answering;
  if (!admitted) {
    // Its answer still has to go out: once per connection, a stranger whose time ran out under our
    // handler gets a moment for it, and no more (a peer making refused calls gains nothing by them).
    if (caller.answering && !connection.everAdmitted && !connection.answerGraceGiven) {
      connection.answerGraceGiven = true;
      connection.lastAdmitted =
          std::max(connection.lastAdmitted, now - millis(options_.untrustedIdleMs) + kAnswerGrace);
    }
    return;
  }
  if (!device.empty() && connection.device != device) {
    std::size_t held = 0;
    for (const auto& [fd, other] : connections_) held += !other.closing && other.device == device ? 1 : 0;
    if (held >= options_.admittedPerDevice) {
      report(now, "sync server: connection from " + connection.address + " not admitted: its device holds " +
                      std::to_string(held) + " connections");
      return;
    }
    connection.device = device;
  }
  connection.lastAdmitted = now;
  connection.everAdmitted = true;
}

std::size_t ConnectionGate::openConnections() {
  MutexLock lock(mutex_);
  return connections_.size();
}

}  // namespace vl
