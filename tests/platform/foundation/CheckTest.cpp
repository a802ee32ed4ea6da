#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "platform/foundation/Check.h"
#include "platform/foundation/NotificationCenter.h"

namespace {

TEST(CheckDeathTest, AFailedCheckNamesItsConditionAndAborts) {
#if defined(VL_DCHECK_ON)
  const int slots = 2;
  EXPECT_DEATH(VL_DCHECK_MSG(slots == 3, "slots stay"), "check failed: slots == 3: slots stay");
#else
  GTEST_SKIP() << "checks are compiled out of this build";
#endif
}

TEST(CheckDeathTest, MainThreadOnlyCodeAbortsOnAnyOtherThread) {
#if defined(VL_DCHECK_ON)
  VL_DCHECK_ON_MAIN();  // the thread that runs the tests is the main one
  EXPECT_DEATH(std::thread([] { VL_DCHECK_ON_MAIN(); }).join(), "check failed: on the main thread");
#else
  GTEST_SKIP() << "checks are compiled out of this build";
#endif
}

TEST(CheckDeathTest, AnObserverThatThrowsAbortsATest) {
  EXPECT_DEATH(
      {
        vl::NotificationCenter center;
        center.addObserver("n", nullptr, [](const vl::Notification&) { throw std::runtime_error("boom"); });
        center.post("n");
      },
      "observer of \"n\" threw: boom");
}

}  // namespace
