#include "sync/server/AuthThrottle.h"

#include <algorithm>

namespace vl {

using Lock = std::lock_guard<std::mutex>;

std::string AuthThrottle::hostOfPeer(const std::string& peer) {
  for (const char* scheme : {"ipv4:", "ipv6:"}) {
    const std::string prefix = scheme;
    if (peer.compare(0, prefix.size(), prefix) != 0) continue;
    std::string rest = peer.substr(prefix.size());
    if (!rest.empty() && rest.front() == '[') {
      const std::size_t close = rest.find(']');
      return close == std::string::npos ? rest : rest.substr(1, close - 1);
    }
    const std::size_t colon = rest.rfind(':');
    return colon == std::string::npos ? rest : rest.substr(0, colon);
  }
  return peer;
}

bool AuthThrottle::isLockedOut(const std::string& peer, double nowMs) {
  Lock lock(mutex_);
  auto it = peers_.find(hostOfPeer(peer));
  return it != peers_.end() && nowMs < it->second.lockedUntilMs;
}

void AuthThrottle::recordFailure(const std::string& peer, double nowMs) {
  Lock lock(mutex_);
  const std::string host = hostOfPeer(peer);
  if (!peers_.count(host) && peers_.size() >= policy_.maxPeers) forgetQuietestLocked();
  Record& record = peers_[host];
  record.lastMs = nowMs;
  while (!record.failures.empty() && nowMs - record.failures.front() > policy_.windowMs) {
    record.failures.pop_front();
  }
  record.failures.push_back(nowMs);
  if (static_cast<int>(record.failures.size()) >= policy_.maxFailures) {
    record.lockedUntilMs = nowMs + policy_.lockoutMs;
    record.failures.clear();
  }
}

void AuthThrottle::recordSuccess(const std::string& peer) {
  Lock lock(mutex_);
  peers_.erase(hostOfPeer(peer));
}

void AuthThrottle::forgetQuietestLocked() {
  auto quietest = std::min_element(peers_.begin(), peers_.end(), [](const auto& a, const auto& b) {
    return a.second.lastMs < b.second.lastMs;
  });
  if (quietest != peers_.end()) peers_.erase(quietest);
}

}  // namespace vl
