#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/VLConfig.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {

// A private HOME and XDG_CONFIG_HOME per test, so the shared settings suite starts empty and nothing
// touches the user's files. `dir()` is a scratch folder for the test's own files.
class SharedServicesFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    char pattern[] = "/tmp/vl-shared-services-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ::setenv("HOME", dir_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }

  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    std::error_code ignored;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir_, ignored);
  }

  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vl
