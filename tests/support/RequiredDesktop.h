#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

// The X11 suites need a desktop of their own: Xvfb with XTest, a window manager (openbox), a compositing
// manager, a private session bus, and the programs of this build. On a developer's machine a missing
// piece skips the test with the reason. CI and `make test` set VL_REQUIRE_DISPLAY=1, and there a
// missing piece fails the test instead: scripts/setup installs all of it, so a skip would only hide a
// suite that stopped running.
namespace vl::test {

inline bool desktopRequired() {
  const char* value = std::getenv("VL_REQUIRE_DISPLAY");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace vl::test

// Skips, or fails under VL_REQUIRE_DISPLAY=1, the test for a missing piece of the test desktop. Like
// GTEST_SKIP it returns from the calling function; a SetUp that calls a base SetUp checks
// IsSkipped() || HasFatalFailure().
#define VL_SKIP_WITHOUT_DESKTOP(reason)                                             \
  do {                                                                              \
    if (::vl::test::desktopRequired()) {                                            \
      GTEST_FAIL() << reason << " (VL_REQUIRE_DISPLAY=1: the suite must not skip)"; \
    } else {                                                                        \
      GTEST_SKIP() << reason;                                                       \
    }                                                                               \
  } while (0)
