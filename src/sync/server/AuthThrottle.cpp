#include "sync/server/AuthThrottle.h"

#include <algorithm>

namespace vl {

using Lock = MutexLock;

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

void AuthThrottle::dropOlderThan(std::deque<double>& times, double oldestMs) {
  while (!times.empty() && times.front() < oldestMs) times.pop_front();
}

bool AuthThrottle::isLockedOut(const std::string& peer, double nowMs) {
  Lock lock(mutex_);
  bool locked = nowMs < allLockedUntilMs_;
  auto it = peers_.find(hostOfPeer(peer));
  if (it != peers_.end()) {
    // A refused guess keeps its address among the loud ones too.
    it->second.lastMs = nowMs;
    locked = locked || nowMs < it->second.lockedUntilMs;
  }
  return locked;
}

void AuthThrottle::recordFailure(const std::string& peer, double nowMs) {
  Lock lock(mutex_);
  dropOlderThan(allFailures_, nowMs - policy_.windowMs);
  allFailures_.push_back(nowMs);
  if (static_cast<int>(allFailures_.size()) >= policy_.maxFailuresAll) {
    allLockedUntilMs_ = nowMs + policy_.lockoutAllMs;
    allFailures_.clear();
  }

  const std::string host = hostOfPeer(peer);
  if (!peers_.count(host) && !makeRoomLocked(nowMs)) return;
  Record& record = peers_[host];
  record.lastMs = nowMs;
  dropOlderThan(record.failures, nowMs - policy_.windowMs);
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

std::size_t AuthThrottle::rememberedPeers() {
  Lock lock(mutex_);
  return peers_.size();
}

bool AuthThrottle::makeRoomLocked(double nowMs) {
  if (peers_.size() < policy_.maxPeers) return true;
  auto quietest = peers_.end();
  for (auto it = peers_.begin(); it != peers_.end(); ++it) {
    if (nowMs < it->second.lockedUntilMs) continue;
    if (quietest == peers_.end() || it->second.lastMs < quietest->second.lastMs) quietest = it;
  }
  if (quietest == peers_.end()) return false;
  peers_.erase(quietest);
  return true;
}

}  // namespace vl
