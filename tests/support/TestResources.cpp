#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "support/PrivateDesktop.h"

namespace {

// Tests read the shipped themes and string tables of this source tree, wherever the build folder
// lies; a test that wants another folder sets VELLISTO_RESOURCES itself. Set before the first test, so
// before the resource folder is first looked up and kept.
class TestResources : public ::testing::Environment {
 public:
  void SetUp() override { ::setenv("VELLISTO_RESOURCES", VL_RESOURCES_DIR, 1); }
};

// Desktop services read the machine's applications, icon themes and settings unless told otherwise: every
// test program starts on an empty desktop of its own, made before the first test. A
// test that needs an application, a theme or a session bus makes its own. Made when the tests start, not
// when they are only listed.
class PrivateDesktop : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string root = (std::filesystem::temp_directory_path() / "vl-desktop-XXXXXX").string();
    if (!::mkdtemp(root.data())) return;
    root_ = root;
    vl::testsupport::makePrivateDesktop(root_);
    ::setenv("XDG_DATA_DIRS", (root_ + "/share").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (root_ + "/xdg").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (root_ + "/cache").c_str(), 1);
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  void TearDown() override {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

 private:
  std::string root_;
};

[[maybe_unused]] ::testing::Environment* const kPrivateDesktop =
    ::testing::AddGlobalTestEnvironment(new PrivateDesktop);

[[maybe_unused]] ::testing::Environment* const kTestResources =
    ::testing::AddGlobalTestEnvironment(new TestResources);

}  // namespace
