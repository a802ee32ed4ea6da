#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "sync/server/RefusalLog.h"

namespace vl::test {
namespace {

TEST(RefusalLog, AnAddressIsToldOncePerPeriodAndItsNextLineCountsWhatWentUntold) {
  LogCapture logs;
  RefusalLog log("auth", "too many wrong passwords", RefusalLog::Policy{1000, 2, 8});
  double now = 0;
  for (int i = 0; i < 10; ++i) log.refused("10.0.0.7", now += 10);
  ASSERT_EQ(LogCapture::take(),
            std::vector<std::string>{"sync server: auth from 10.0.0.7 refused: too many wrong passwords"});
  LogCapture::clear();
  // Two addresses at most get lines of their own in a period; the rest are one count at the next.
  for (const char* other : {"10.0.0.8", "10.0.0.9", "10.0.0.10", "10.0.0.10"}) log.refused(other, now += 10);
  EXPECT_EQ(LogCapture::take().size(), 1u);
  LogCapture::clear();
  log.refused("10.0.0.7", now += 1000);
  const std::vector<std::string> told = LogCapture::take();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0], "sync server: 3 more attempts of auth refused from other addresses in the last 1 s");
  EXPECT_EQ(told[1],
            "sync server: auth from 10.0.0.7 refused: too many wrong passwords (and 9 times more since its "
            "last line)");
}

TEST(RefusalLog, ForgetsTheAddressesItToldOfWhenTheirPeriodIsOver) {
  LogCapture logs;
  RefusalLog log("auth", "too many wrong passwords", RefusalLog::Policy{1000, 100, 4});
  double now = 0;
  // Rotating addresses fill what it remembers, then wear out; new ones get their lines again.
  for (int round = 0; round < 3; ++round) {
    LogCapture::clear();
    for (int i = 0; i < 8; ++i)
      log.refused("10.1." + std::to_string(round) + "." + std::to_string(i), now += 1);
    EXPECT_EQ(LogCapture::take().size(), round == 0 ? 4u : 5u) << round;
    now += 2000;
  }
}

}  // namespace
}  // namespace vl::test
