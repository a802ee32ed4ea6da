#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "SharedServicesFixture.h"
#include "core/VLConfig.h"
#include "core/files/VLFileManager.h"
#include "platform/foundation/Date.h"
#include "platform/system/UniformType.h"
#include "platform/system/headless/HeadlessWorkspace.h"

namespace vl {
namespace {

namespace fs = std::filesystem;

class VLFileManagerTest : public SharedServicesFixture {
 protected:
  void TearDown() override {
    date::setDefaultTimeZone("");
    Workspace::install(nullptr);
    VLFileManager::shared().setFilePathProvider(nullptr);
    SharedServicesFixture::TearDown();
  }

  std::string write(const std::string& relative, const std::string& bytes) {
    const fs::path path = fs::path(dir()) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
};

TEST_F(VLFileManagerTest, UtiComesFromTheExtensionElseFromTheWorkspace) {
  auto workspace = std::make_shared<HeadlessWorkspace>();
  workspace->setTypeOfFile("/docs/README", std::string("public.plain-text"));
  Workspace::install(workspace);
  auto& fm = VLFileManager::shared();
  EXPECT_EQ(fm.getUTI("/pics/shot.png"), uti::kPNG);
  EXPECT_EQ(fm.getUTI("/docs/README"), "public.plain-text");
  EXPECT_EQ(fm.getUTI("/docs/missing"), std::nullopt);
  EXPECT_EQ(fm.getUTI(write("noext", "\x89PNG\r\n\x1a\n")), uti::kPNG);
}

TEST_F(VLFileManagerTest, FileInfoReadsAttributesAtTheDecodedPath) {
  const std::string real = write("pics/my shot.png", std::string(1536, 'p'));
  const std::string encoded = dir() + "/pics/my%20shot.png";
  const VLFileInfo info = VLFileManager::shared().getFileInfoOfPath(encoded);
  EXPECT_EQ(info.name(), "my shot.png");
  EXPECT_TRUE(info.isImageType());
  EXPECT_EQ(info.readableSize().size() + info.readableSize().unit(), "1.5KB");
  ASSERT_TRUE(info.modificationDate());
  EXPECT_NEAR(*info.modificationDate(), static_cast<double>(::time(nullptr)), 120);

  const VLFileInfo gone = VLFileManager::shared().getFileInfoOfPath(dir() + "/pics/gone.txt");
  EXPECT_EQ(gone.readableSize().size() + gone.readableSize().unit(), "0bytes");
  EXPECT_FALSE(gone.modificationDate());
}

TEST_F(VLFileManagerTest, IconIsTheImageItselfElseTheWorkspaceIcon) {
  const std::string shot = write("pics/my shot.png", "not really a png");
  std::vector<std::string> loaded;
  VLFileInfo::setImageFileLoader([&](const std::string& path) -> ui::ImageRef {
    loaded.push_back(path);
    if (path.find("broken") != std::string::npos) return nullptr;
    return std::make_shared<const ui::Image>(ui::Size{7, 5}, "decoded");
  });
  auto& fm = VLFileManager::shared();
  EXPECT_EQ(fm.getFileInfoOfPath(dir() + "/pics/my%20shot.png").getIcon()->name(), "decoded");
  EXPECT_EQ(loaded, std::vector<std::string>{shot});
  // An image that does not decode, and a file of another kind, show the workspace's icon.
  EXPECT_EQ(fm.getFileInfoOfPath(write("broken.png", "x")).getIcon()->name(), "text-x-generic");
  EXPECT_EQ(fm.getFileInfoOfPath(write("notes.txt", "x")).getIcon()->size().width, 32);
  EXPECT_EQ(loaded.size(), 2u);
  VLFileInfo::setImageFileLoader(nullptr);
}

TEST_F(VLFileManagerTest, PermissionCheckFailsOnlyForUnreadableFolders) {
  auto& fm = VLFileManager::shared();
  EXPECT_TRUE(fm.checkFileHasPermission(write("open/a.txt", "a")));
  EXPECT_TRUE(fm.checkFileHasPermission(dir() + "/no/such/folder/a.txt"));
  const std::string locked = write("locked/b.txt", "b");
  ::chmod((dir() + "/locked").c_str(), 0);
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  EXPECT_FALSE(fm.checkFileHasPermission(locked));
}

class ImageCleanUpTest : public VLFileManagerTest {
 protected:
  void SetUp() override {
    VLFileManagerTest::SetUp();
    files_ = dir() + "/files";
    for (const char* day : {"2023-12-31", "2024-03-07", "2024-03-08", "2024-03-14", "2024-03-15"}) {
      write(std::string("files/") + day + "/image.png", "png");
    }
    write("files/notes/keep.txt", "not a date");
    write("files/2024-01-01", "a plain file named like a date");
    // A link named like an old date that points outside: neither it nor its target may be followed.
    write("outside/precious.txt", "mine");
    fs::create_directory_symlink(dir() + "/outside", files_ + "/2024-01-02");
    VLFileManager::shared().setFilePathProvider([this] { return std::optional<std::string>(files_); });
  }

  void setStorageTime(const std::string& value) {
    VLConfig::shared().setValueOfKey(VLConfig::kImageStorage, {{"isCopy", true}, {"storageTime", value}});
  }

  std::vector<std::string> remaining() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(files_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string files_;
};

TEST_F(ImageCleanUpTest, KeepsLocalCalendarDaysEastOfGreenwich) {
  ASSERT_TRUE(date::setDefaultTimeZone("Asia/Shanghai"));
  const double now = *date::parse("2024-03-15 10:00:00", "yyyy-MM-dd HH:mm:ss");
  // Seven days back from local midnight: 2024-03-08 00:00 in Shanghai is the first instant kept.
  EXPECT_EQ(VLFileManager::cleanUpCutoff(now, 7), *date::parse("2024-03-08", "yyyy-MM-dd"));

  setStorageTime("1w");
  auto removed = VLFileManager::shared().cleanSandboxImages(now);
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{"2023-12-31", "2024-03-07"}));
  EXPECT_EQ(remaining(), (std::vector<std::string>{"2024-01-01", "2024-01-02", "2024-03-08", "2024-03-14",
                                                   "2024-03-15", "notes"}));
  EXPECT_TRUE(fs::exists(dir() + "/outside/precious.txt"));
}

TEST_F(ImageCleanUpTest, RetentionValuesDecideHowFarBack) {
  ASSERT_TRUE(date::setDefaultTimeZone("America/Los_Angeles"));
  const double now = *date::parse("2024-03-15 23:30:00", "yyyy-MM-dd HH:mm:ss");
  struct Case {
    const char* storageTime;
    std::size_t removed;
  };
  // The folders hold 2023-12-31, 2024-03-07, 2024-03-08, 2024-03-14 and 2024-03-15; each pass works
  // on what the passes before it left.
  const Case cases[] = {{"ever", 0}, {"", 0}, {"2d", 0}, {"3m", 0}, {"1m", 1}, {"2w", 0}, {"1w", 1}};
  for (const auto& c : cases) {
    setStorageTime(c.storageTime);
    EXPECT_EQ(VLFileManager::shared().cleanSandboxImages(now).size(), c.removed) << c.storageTime;
  }
  EXPECT_TRUE(fs::exists(files_ + "/2024-03-08"));
}

TEST_F(ImageCleanUpTest, NothingHappensWithoutSettingOrFolder) {
  const double now = *date::parse("2030-01-01", "yyyy-MM-dd");
  VLConfig::shared().setValueOfKey(VLConfig::kImageStorage, nullptr);
  EXPECT_TRUE(VLFileManager::shared().cleanSandboxImages(now).empty());
  VLConfig::shared().setValueOfKey(VLConfig::kImageStorage, "1w");  // not a dictionary
  EXPECT_TRUE(VLFileManager::shared().cleanSandboxImages(now).empty());

  setStorageTime("1w");
  VLFileManager::shared().setFilePathProvider([] { return std::optional<std::string>(); });
  EXPECT_TRUE(VLFileManager::shared().cleanSandboxImages(now).empty());
  VLFileManager::shared().setFilePathProvider(nullptr);
  EXPECT_TRUE(VLFileManager::shared().cleanSandboxImages(now).empty());
  EXPECT_EQ(remaining().size(), 8u);
}

}  // namespace
}  // namespace vl
