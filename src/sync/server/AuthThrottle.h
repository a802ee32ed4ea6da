#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace vl {

// Limits wrong passwords per peer address, so a network's password cannot be guessed at the speed of the
// network: after `maxFailures` failures within `windowMs`, every Auth from that address is refused for
// `lockoutMs`, right password or not. A right password clears the address's count. Times are monotonic
// milliseconds (Clock::monotonicMs), given by the caller. Thread-safe.
class AuthThrottle {
 public:
  struct Policy {
    int maxFailures = 5;
    double windowMs = 60000;
    double lockoutMs = 30000;
    // Addresses remembered at most; the quietest is forgotten first.
    std::size_t maxPeers = 1024;
  };

  AuthThrottle() = default;
  explicit AuthThrottle(Policy policy) : policy_(policy) {}

  bool isLockedOut(const std::string& peer, double nowMs);
  void recordFailure(const std::string& peer, double nowMs);
  void recordSuccess(const std::string& peer);

  // The address part of a gRPC peer: "ipv4:10.0.0.7:5301" -> "10.0.0.7", "ipv6:[fe80::1]:5301" ->
  // "fe80::1"; anything else as it is. Ports change with every connection, so they are not counted.
  static std::string hostOfPeer(const std::string& peer);

 private:
  struct Record {
    std::deque<double> failures;
    double lockedUntilMs = 0;
    double lastMs = 0;
  };
  void forgetQuietestLocked();

  Policy policy_;
  std::mutex mutex_;
  std::map<std::string, Record> peers_;
};

}  // namespace vl
