// Linked into every test program that uses the platform layer: an exception escaping a queued block
// or a notification observer fails the test instead of leaving a log line nobody reads.
#include "platform/foundation/Check.h"

namespace {

const bool kAbortOnUncaught = (vl::setUncaughtExceptionPolicy(vl::UncaughtExceptionPolicy::Abort), true);

}  // namespace
