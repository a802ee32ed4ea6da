// Linked into every test program that uses the platform layer: an exception escaping a queued block
// or a notification observer fails the test instead of leaving a log line nobody reads, and the
// program drains and joins its queues before it exits, as the real program does at quit.
#include <gtest/gtest.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Check.h"

namespace {

const bool kAbortOnUncaught = (vl::setUncaughtExceptionPolicy(vl::UncaughtExceptionPolicy::Abort), true);

// Far above what any test's leftover work needs; a block still running after it is a test that left
// work behind, which fails here rather than racing the exit handlers.
constexpr double kDrainMs = 30000;

// After the last test: every queued block runs to its end and every queue and timer thread is joined,
// so no block of a test outlives main() and touches statics while they are destroyed.
class DrainQueuesAtExit : public ::testing::Environment {
 public:
  void TearDown() override {
    // GoogleTest calls this on the thread that ran the tests; a test may have adopted another.
    vl::dispatch::MainLoop::adoptCurrentThread();
    if (!vl::dispatch::MainLoop::shutdown(kDrainMs))
      ADD_FAILURE() << "queued blocks were still running " << kDrainMs << " ms after the last test";
  }
};

::testing::Environment* const kDrain = ::testing::AddGlobalTestEnvironment(new DrainQueuesAtExit);

}  // namespace
