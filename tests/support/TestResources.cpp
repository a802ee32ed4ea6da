#include <gtest/gtest.h>

#include "platform/foundation/Environment.h"

namespace {

// Tests read the shipped themes and string tables of this source tree, wherever the build folder
// lies; a test that wants another folder sets VELLISTO_RESOURCES itself. Set before the first test, so
// before the resource folder is first looked up and kept.
class TestResources : public ::testing::Environment {
 public:
  void SetUp() override { vl::setEnvironmentVariable("VELLISTO_RESOURCES", VL_RESOURCES_DIR); }
};

[[maybe_unused]] ::testing::Environment* const kTestResources =
    ::testing::AddGlobalTestEnvironment(new TestResources);

}  // namespace
