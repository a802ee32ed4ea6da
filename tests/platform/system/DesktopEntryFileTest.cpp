#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/system/desktop/ApplicationFolders.h"
#include "platform/system/desktop/DesktopEntryFile.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

using Verdict = DesktopEntryFile::Verdict;

TEST(DesktopEntryFileTest, ABrokenLineSpoilsTheVerdictButNotTheOtherKeys) {
  const auto file = DesktopEntryFile::parse(
      "\xEF\xBB\xBF[Desktop Entry]\nType=Application\nName=A\\sB\ngarbage\nName=Second\n=x\n"
      "Exec=a\n[Desktop Entry\nExec=not in the group\n");
  std::string reason;
  EXPECT_EQ(file.verdict(&reason), Verdict::Malformed);
  EXPECT_EQ(reason, "line 4 is not key=value");  // the first fault, not the later ones
  EXPECT_TRUE(file.hasMainGroup());
  EXPECT_EQ(file.value("Name"), "A B");  // escapes undone, the first of a repeated key
  EXPECT_EQ(file.value("Exec"), "a");    // the broken header ended the group
  EXPECT_FALSE(file.has("TryExec"));

  const auto zero = DesktopEntryFile::parse(std::string("[Desktop Entry]\nName=A\0\n", 24));
  EXPECT_FALSE(zero.hasMainGroup());
  EXPECT_EQ(zero.fault(), "it holds a zero byte");
}

TEST(DesktopEntryFileTest, ReadRefusesWhatIsNoEntryFile) {
  vl::test::TempDir dir("vl-entry-file");
  ASSERT_TRUE(files::atomicWrite(dir / "big.desktop", std::string(DesktopEntryFile::kMaxSize + 1, '#')));
  ASSERT_TRUE(files::createDirectories(dir / "folder.desktop"));
  std::string error;
  EXPECT_FALSE(DesktopEntryFile::read(dir / "big.desktop", &error));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
  EXPECT_FALSE(DesktopEntryFile::read(dir / "folder.desktop", &error));
  EXPECT_EQ(error, "it is not a readable file");
  EXPECT_FALSE(DesktopEntryFile::read(dir / "missing.desktop", &error));
}

TEST(ApplicationFoldersTest, AnIdRefusedByTheVisitorStaysOpenForLaterFolders) {
  vl::test::TempDir dir("vl-app-folders");
  const std::string first = dir / "first", second = dir / "second";
  ASSERT_TRUE(files::createDirectories(first + "/kde"));
  ASSERT_TRUE(files::createDirectories(second));
  for (const std::string& path : {first + "/a.desktop", first + "/b.desktop", first + "/kde/c.desktop",
                                  second + "/a.desktop", second + "/b.desktop", second + "/kde-c.desktop"}) {
    ASSERT_TRUE(files::atomicWrite(path, "[Desktop Entry]\n"));
  }
  std::vector<std::string> visited;
  ApplicationFolders::walk({first, dir / "missing", second}, [&](const ApplicationFolders::Entry& entry) {
    EXPECT_TRUE(entry.file) << entry.error;
    visited.push_back(entry.id + " " + entry.path.substr(dir.path().size() + 1));
    return entry.id != "b";
  });
  const std::vector<std::string> expected = {"a first/a.desktop", "b first/b.desktop",
                                             "kde-c first/kde/c.desktop", "b second/b.desktop"};
  EXPECT_EQ(visited, expected);
}

}  // namespace
}  // namespace vl
