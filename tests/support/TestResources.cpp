#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

// Tests read the shipped themes and string tables of this source tree, wherever the build folder
// lies; a test that wants another folder sets VELLISTO_RESOURCES itself. Set before the first test, so
// before the resource folder is first looked up and kept.
class TestResources : public ::testing::Environment {
 public:
  void SetUp() override { ::setenv("VELLISTO_RESOURCES", VL_RESOURCES_DIR, 1); }
};

[[maybe_unused]] ::testing::Environment* const kTestResources =
    ::testing::AddGlobalTestEnvironment(new TestResources);

}  // namespace
