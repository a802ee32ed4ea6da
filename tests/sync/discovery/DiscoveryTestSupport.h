#pragma once

#include <functional>

#include "platform/dispatch/Dispatch.h"

namespace vl::test {

// Runs the main queue until `condition` holds; everything these tests wait for ends in a block on the
// main queue. False when `timeoutMs` of real time passed first.
inline bool runMainUntil(const std::function<bool()>& condition, double timeoutMs = 20000) {
  bool timedOut = false;
  auto timeout = dispatch::after(timeoutMs, dispatch::Queue::main(), [&timedOut] { timedOut = true; });
  dispatch::MainLoop::runWhile([&] { return !condition() && !timedOut; });
  timeout->cancel();
  return condition();
}

}  // namespace vl::test
