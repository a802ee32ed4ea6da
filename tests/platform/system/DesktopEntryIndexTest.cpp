#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "platform/system/desktop/DesktopEntryIndex.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

TEST(DesktopEntryIndexTest, ExecLinesBecomeArgumentsWithoutFieldCodes) {
  struct Case {
    const char* exec;
    std::vector<std::string> args;
  };
  const std::vector<Case> cases = {
      {"editor %U", {"editor"}},
      {"/usr/bin/app --new-window %f", {"/usr/bin/app", "--new-window"}},
      {"\"/opt/My App/run\" --x=\"a \\\"b\\\"\"", {"/opt/My App/run", "--x=a \"b\""}},
      {"printf 100%%", {"printf", "100%"}},
      {"app --icon %i %c %k", {"app", "--icon"}},
      {"  spaced   out  ", {"spaced", "out"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DesktopEntryIndex::argumentsOfExec(c.exec), c.args) << c.exec;
  }
}

TEST(DesktopEntryIndexTest, AUrlTakesTheFirstFileOrUrlFieldCodeElseGoesLast) {
  const std::string url = "https://example.org/search?q=a%20b&x=1";
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"browser %u", {"browser", url}},
      {"browser --new-window %U %u", {"browser", "--new-window", url}},
      {"viewer --file=%f --icon %i", {"viewer", "--file=" + url, "--icon"}},
      {"browser", {"browser", url}},
      {"printf 100%%", {"printf", "100%", url}},
      {"", {}},
  };
  for (const auto& [exec, args] : cases)
    EXPECT_EQ(DesktopEntryIndex::argumentsOfExec(exec, url), args) << exec;
}

TEST(DesktopEntryIndexTest, ParseReadsOnlyTheDesktopEntryGroupOfApplications) {
  bool hidden = true;
  auto entry = DesktopEntryIndex::parse(
      "# comment\n[Desktop Entry]\nName=Notes\nName[de]=Notizen\nExec=notes\\s--x %F\n"
      "StartupWMClass=NoteTaker\n[Desktop Action New]\nExec=other\n",
      &hidden);
  ASSERT_TRUE(entry);
  EXPECT_FALSE(hidden);
  EXPECT_EQ(entry->name, "Notes");
  EXPECT_EQ(entry->exec, "notes --x %F");
  EXPECT_EQ(entry->startupWMClass, "NoteTaker");

  EXPECT_FALSE(DesktopEntryIndex::parse("[Desktop Entry]\nType=Link\nURL=https://example.org\n"));
  EXPECT_FALSE(DesktopEntryIndex::parse("Exec=no group\n"));
  EXPECT_FALSE(DesktopEntryIndex::parse(std::string("\0\xff\xfe garbage", 12)));
  DesktopEntryIndex::parse("[Desktop Entry]\nHidden=true\n", &hidden);
  EXPECT_TRUE(hidden);
}

TEST(DesktopEntryIndexTest, EarlierFoldersHideLaterOnesAndHiddenEntriesHideTheId) {
  vl::test::TempDir dir("vl-entries");
  const std::string& root = dir.path();
  const std::string user = root + "/user", system = root + "/system";
  EXPECT_TRUE(files::createDirectories(user + "/kde"));
  EXPECT_TRUE(files::createDirectories(system));
  EXPECT_TRUE(files::atomicWrite(user + "/notes.desktop", "[Desktop Entry]\nName=Mine\nExec=notes\n"));
  EXPECT_TRUE(files::atomicWrite(system + "/notes.desktop", "[Desktop Entry]\nName=System\nExec=notes\n"));
  EXPECT_TRUE(files::atomicWrite(user + "/gone.desktop", "[Desktop Entry]\nHidden=true\n"));
  EXPECT_TRUE(files::atomicWrite(system + "/gone.desktop", "[Desktop Entry]\nName=Gone\nExec=gone\n"));
  EXPECT_TRUE(
      files::atomicWrite(user + "/kde/viewer.desktop", "[Desktop Entry]\nName=Viewer\nExec=viewer\n"));

  DesktopEntryIndex index({user, system});
  auto notes = index.find("", "", "/usr/bin/notes");
  ASSERT_TRUE(notes);
  EXPECT_EQ(notes->name, "Mine");
  EXPECT_EQ(index.find("", "", "gone"), std::nullopt);
  auto viewer = index.find("", "kde-viewer", "");
  ASSERT_TRUE(viewer);
  EXPECT_EQ(viewer->path, user + "/kde/viewer.desktop");
  EXPECT_EQ(index.find("nothing", "Nothing", "nothing"), std::nullopt);

  // A new entry is found without building a new index.
  EXPECT_TRUE(files::atomicWrite(system + "/late.desktop",
                                 "[Desktop Entry]\nName=Late\nExec=late\nStartupWMClass=Late\n"));
  auto late = index.find("", "Late", "");
  ASSERT_TRUE(late);
  EXPECT_EQ(late->id, "late");
}

}  // namespace
}  // namespace vl
