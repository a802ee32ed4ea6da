#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <string>

#include "platform/foundation/Mutex.h"

namespace vl {

// Limits wrong passwords, so a network's password cannot be guessed at the speed of the network.
//
// Per peer address: after `maxFailures` failures within `windowMs`, every Auth from that address is
// refused for `lockoutMs`, right password or not. A right password clears the address's count.
//
// All addresses together: a peer on the LAN can take as many addresses as it likes, so after
// `maxFailuresAll` failures within `windowMs` from any addresses, every Auth is refused for
// `lockoutAllMs`. Once the guesses stop, that lock runs out and a right password gets in again from
// any address that is not locked itself.
//
// At most `maxPeers` addresses are remembered. An address that is locked out is never forgotten
// before its lockout ends, so rotating through many addresses cannot wipe its count; when every
// remembered address is locked, a new one is not remembered (the count over all addresses still
// holds it back). Times are monotonic milliseconds (Clock::monotonicMs), given by the caller.
// Thread-safe.
class AuthThrottle {
 public:
  struct Policy {
    int maxFailures = 5;
    double windowMs = 60000;
    double lockoutMs = 30000;
    std::size_t maxPeers = 1024;
    int maxFailuresAll = 20;
    double lockoutAllMs = 60000;
  };

  AuthThrottle() = default;
  explicit AuthThrottle(Policy policy) : policy_(policy) {}

  // Whether an Auth from `peer` is refused now. A refused attempt counts as activity of its address.
  bool isLockedOut(const std::string& peer, double nowMs);
  void recordFailure(const std::string& peer, double nowMs);
  void recordSuccess(const std::string& peer);

  // The number of addresses remembered now.
  std::size_t rememberedPeers();

  // The address part of a gRPC peer: "ipv4:10.0.0.7:5301" -> "10.0.0.7", "ipv6:[fe80::1]:5301" ->
  // "fe80::1"; anything else as it is. Ports change with every connection, so they are not counted.
  static std::string hostOfPeer(const std::string& peer);

 private:
  struct Record {
    std::deque<double> failures;
    double lockedUntilMs = 0;
    double lastMs = 0;
  };
  // Makes room for one more address; false when every remembered one is locked out.
  bool makeRoomLocked(double nowMs) VL_REQUIRES(mutex_);
  static void dropOlderThan(std::deque<double>& times, double oldestMs);

  Policy policy_;
  Mutex mutex_;
  std::map<std::string, Record> peers_ VL_GUARDED_BY(mutex_);
  std::deque<double> allFailures_ VL_GUARDED_BY(mutex_);
  double allLockedUntilMs_ VL_GUARDED_BY(mutex_) = 0;
};

}  // namespace vl
