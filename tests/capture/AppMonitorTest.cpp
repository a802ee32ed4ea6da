#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaptureTestSupport.h"

namespace vl::test {
namespace {

using AppMonitorTest = CaptureFixture;

TEST_F(AppMonitorTest, AnApplicationsNameLosesOnlyATrailingEntrySuffix) {
  const std::vector<std::pair<RunningApplication, std::string>> cases = {
      {{"", "/usr/share/applications/org.example.Editor.desktop", "", -1, true}, "org.example.Editor"},
      {{"", "/Applications/Keychain%20Access.app", "", -1, true}, "Keychain Access"},
      {{"", "/opt/My.application Tool.desktop", "", -1, true}, "My.application Tool"},
      {{"", "/opt/tools/Appify.apple", "", -1, true}, "Appify.apple"},
      {{"Named Only", "", "", -1, true}, "Named Only"},
  };
  for (const auto& [app, name] : cases) EXPECT_EQ(AppMonitor::getAppNameFrom(app), name) << app.path;
}

TEST_F(AppMonitorTest, TheSecurityListNeedsAListAndAFrontApplication) {
  const auto keychain = RunningApplication{"keepassxc", "", "", -1, true};
  workspace_->setFrontmostApplication(keychain);
  EXPECT_TRUE(monitor_->copiedFromSecurityApp());

  for (const Json& stored : {Json(), Json::object(), Json{{"appList", "keepassxc"}}, Json::array()}) {
    SCOPED_TRACE(stored.dump());
    config().setValueOfKey(VLConfig::kIgnoredApps, stored);
    EXPECT_FALSE(monitor_->copiedFromSecurityApp());
  }

  config().setValueOfKey(VLConfig::kIgnoredApps, Json{{"appList", {1, "keepassxc"}}});
  EXPECT_TRUE(monitor_->copiedFromSecurityApp());
  workspace_->setFrontmostApplication(std::nullopt);
  EXPECT_FALSE(monitor_->copiedFromSecurityApp());
}

}  // namespace
}  // namespace vl::test
