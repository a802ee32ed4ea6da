#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaptureTestSupport.h"
#include "VLEngine/VLEngineSnippetsStore.h"
#include "capture/CopyEntity.h"
#include "core/files/VLFileManager.h"
#include "core/notify/VLAppNotifcationCenter.h"
#include "platform/foundation/DistributedNotificationCenter.h"

namespace vl::test {
namespace {

using CopyEntityTest = CaptureFixture;

TEST_F(CopyEntityTest, TwoFilesOfOneNameAreTwoCopies) {
  const std::string a = makeFile("a/report.pdf", "a");
  const std::string b = makeFile("b/report.pdf", "b");
  const auto first = CopyEntity::entityWithItems({PasteboardItem(kPasteboardTypeFileURL, "file://" + a)});
  const auto second = CopyEntity::entityWithItems({PasteboardItem(kPasteboardTypeFileURL, "file://" + b)});
  const auto again = CopyEntity::entityWithItems({PasteboardItem(kPasteboardTypeFileURL, "file://" + a)});
  EXPECT_EQ(first->string(), second->string());
  EXPECT_EQ(first->jsonData(), (Json{{"file", a}, {"custom_view", "FileView"}}));
  EXPECT_FALSE(first->isEnityEqualTo(*second));
  EXPECT_TRUE(first->isEnityEqualTo(*again));
}

TEST_F(CopyEntityTest, DatedFoldersFollowTheLocalDayAndTheCleanUpKeepsThemForTheirTime) {
  VLFileManager::shared().setFilePathProvider(
      []() -> std::optional<std::string> { return engine().filePath(); });
  // 23:30 in Shanghai is 15:30 UTC: the folder takes the local date.
  clock_->setNow(1700148600);  // 2023-11-16 15:30:00 UTC
  const std::string source = makeFile("Pictures/late.png", pngBytes());
  start();
  copyItems({PasteboardItem(kPasteboardTypeFileURL, "file://" + source)});
  const std::string folder = fileFolder() + "/2023-11-16";
  ASSERT_TRUE(files::isDirectory(folder));
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(jsonString(jsonOf(records()[0]), "copy_date"), "2023-11-16");

  // "1w": kept through the seventh local day after, gone on the eighth.
  const double copied = clock_->now();
  EXPECT_TRUE(VLFileManager::shared().cleanSandboxImages(copied + 7 * 86400).empty());
  EXPECT_TRUE(files::isDirectory(folder));
  EXPECT_EQ(VLFileManager::shared().cleanSandboxImages(copied + 8 * 86400),
            std::vector<std::string>{"2023-11-16"});
  EXPECT_FALSE(files::exists(folder));
  VLFileManager::shared().setFilePathProvider(nullptr);
}

TEST_F(CopyEntityTest, SnippetsFromThePreferencesProgramMeetCaptureInTheStore) {
  DistributedNotificationCenter distributed(home() + "/dnc");
  VLAppNotifcationCenter center(distributed);
  center.setSnippetsStore(std::make_shared<VLEngineSnippetsStore>());
  start();
  copy("plain");

  config().setValueOfKey(
      VLConfig::kSnippetsMirror,
      Json::array({Json{{"action", "add"}, {"digest", ""}, {"content", "hello"}, {"name", "hi"}}}));
  config().setBoolValueOfKey(VLConfig::kSnippetsMerge, true);
  ASSERT_TRUE(center.mergeSnippets());

  // Copying the snippet's text renews the snippet instead of adding a record.
  copy("hello");
  ASSERT_EQ(texts(), (std::vector<std::string>{"plain", "hello"}));
  EXPECT_EQ(records()[1]->alias(), std::optional<std::string>("hi"));

  const Json mirror = *config().getValueOfKey(VLConfig::kSnippetsMirror);
  ASSERT_EQ(mirror.size(), 1u);
  EXPECT_EQ(mirror[0]["content"], "hello");
  EXPECT_EQ(mirror[0]["name"], "hi");
  EXPECT_EQ(mirror[0]["digest"], records()[1]->sig());
  EXPECT_FALSE(config().getBoolValueOfKey(VLConfig::kSnippetsMerge));
}

}  // namespace
}  // namespace vl::test
