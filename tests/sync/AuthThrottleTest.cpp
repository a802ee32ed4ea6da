#include <gtest/gtest.h>

#include <string>

#include "sync/server/AuthThrottle.h"

namespace vl::test {
namespace {

std::string addressNumber(int n) {
  return "ipv4:10." + std::to_string(n / 65536 % 256) + "." + std::to_string(n / 256 % 256) + "." +
         std::to_string(n % 256) + ":40000";
}

// Wrong passwords the way a peer on the LAN sends them, one every `spacingMs`, cycling through
// `addresses` of its own; how many of them were checked rather than refused.
int guessesChecked(AuthThrottle& throttle, int guesses, int addresses, double spacingMs) {
  int checked = 0;
  double now = 1000;
  for (int i = 0; i < guesses; ++i, now += spacingMs) {
    const std::string peer = addressNumber(i % addresses);
    if (throttle.isLockedOut(peer, now)) continue;
    ++checked;
    throttle.recordFailure(peer, now);
  }
  return checked;
}

TEST(AuthThrottle, GuessesAreLimitedPerAddressAndOverAllAddressesTogether) {
  const AuthThrottle::Policy policy;
  struct Row {
    const char* what;
    int guesses;
    int addresses;
    double spacingMs;
    int mostChecked;
  };
  // 8,800 guesses over 44 seconds.
  const Row rows[] = {
      {"one address", 8800, 1, 5, policy.maxFailures * 3},
      {"a new address for every guess", 8800, 8800, 5, policy.maxFailuresAll * 2},
      {"more addresses than are remembered, round and round", 8800, 2000, 5, policy.maxFailuresAll * 2},
      {"just under each address's own limit", 8800, 8800 / (policy.maxFailures - 1), 5,
       policy.maxFailuresAll * 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    AuthThrottle throttle(policy);
    EXPECT_LE(guessesChecked(throttle, row.guesses, row.addresses, row.spacingMs), row.mostChecked);
    EXPECT_LE(throttle.rememberedPeers(), policy.maxPeers);
  }
}

TEST(AuthThrottle, ALockedOutAddressIsNotForgottenForQuieterOnes) {
  AuthThrottle::Policy policy;
  policy.lockoutMs = 10 * 60 * 1000;
  policy.maxFailuresAll = 1 << 30;  // the limit over all addresses stays out of this test
  AuthThrottle throttle(policy);
  const std::string locked = "ipv4:192.168.1.66:5000";
  double now = 1000;
  for (int i = 0; i < policy.maxFailures; ++i) throttle.recordFailure(locked, now += 10);
  ASSERT_TRUE(throttle.isLockedOut(locked, now));
  // Twice as many quieter addresses as the table remembers, each failing once.
  for (int i = 0; i < 2 * static_cast<int>(policy.maxPeers); ++i)
    throttle.recordFailure(addressNumber(i), now += 1);
  EXPECT_TRUE(throttle.isLockedOut(locked, now + 1000));
  EXPECT_LE(throttle.rememberedPeers(), policy.maxPeers);
}

}  // namespace
}  // namespace vl::test
