#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/VLConfig.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestSupport.h"

namespace vl {

// A private HOME and XDG_CONFIG_HOME per test, so the shared settings suite starts empty and nothing
// touches the user's files. `dir()` is a scratch folder for the test's own files.
class SharedServicesFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.emplace("vl-shared-services");
    ASSERT_FALSE(dir().empty());
    restart();
  }
  void TearDown() override {
    restart();
    home_.reset();
  }

  // What a new process would see: nothing cached in memory.
  static void restart() {
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }

  const std::string& dir() const { return home_->path(); }

 private:
  std::optional<vl::test::PrivateHome> home_;
};

}  // namespace vl
