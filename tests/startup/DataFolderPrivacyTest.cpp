#include <sys/stat.h>

#include "startup/DataFolders.h"
#include "startup/StartupTestSupport.h"

namespace vl::test {
namespace {

namespace fs = std::filesystem;

using DataFolderPrivacyTest = StartupFixture;

mode_t modeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Every kind of file the program writes into its folders, copied the way a user copies them, in a home
// where an earlier version left the folders open to everyone.
TEST_F(DataFolderPrivacyTest, FoldersAre700AndEveryFileWrittenIn600) {
  const std::string root = home() + "/.vellisto";
  fs::create_directories(root + "/data");
  ::chmod(root.c_str(), 0755);
  ::chmod((root + "/data").c_str(), 0755);
  const std::string photo = this->root() + "/Pictures/photo.png";
  fs::create_directories(this->root() + "/Pictures");
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "body";
  std::ofstream(photo) << png;
  ::chmod(photo.c_str(), 0644);

  startProgram();
  copyFromOtherProgram("a private line");
  PasteboardItem screenshot;
  screenshot.setData(kPasteboardTypePNG, png + "-screen");
  StartupEnvironment::board->setContentsFromOtherApplication({screenshot});
  dispatch::MainLoop::advance(100);
  PasteboardItem file;
  file.setData(kPasteboardTypeFileURL, "file://" + photo);
  StartupEnvironment::board->setContentsFromOtherApplication({file});
  dispatch::MainLoop::advance(100);
  const std::string copied = root + "/file/2023-11-15/photo.png";
  // An alias keeps the image for ever: a copy goes to the forever folder.
  VLEngine::shared().updateContext("photo.png", "kept", Json{{"image", copied}}, kClip, false);
  Vellisto_BigDoc::waitForPendingWrites();

  // What must be there, so the walk below cannot pass on an empty folder.
  EXPECT_TRUE(files::isRegularFile(root + "/data/BigDoc_0"));
  EXPECT_TRUE(files::isRegularFile(copied));
  for (const char* folder : {"/web", "/forever"}) {
    std::size_t images = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root + folder))
      images += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(images, 1u) << folder;
  }

  EXPECT_EQ(modeOf(root), 0700u);
  for (const char* relative : DataFolders::kRelativePaths)
    EXPECT_EQ(modeOf(DataFolders::pathOf(home(), relative)), 0700u) << relative;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string();
    EXPECT_EQ(modeOf(path), entry.is_directory() ? 0700u : 0600u) << path;
  }
}

}  // namespace
}  // namespace vl::test
