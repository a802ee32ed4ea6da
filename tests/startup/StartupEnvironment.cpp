#include "startup/StartupTestSupport.h"

namespace {

// gtest owns and deletes the environment.
::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new vl::test::StartupEnvironment());

}  // namespace
