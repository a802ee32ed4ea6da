#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/apps/DesktopEntryQuery.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

using Verdict = DesktopEntryQuery::Verdict;
using namespace std::string_view_literals;

const std::string kEntries = std::string(VL_TEST_DATA_DIR) + "/desktop-entries";

TEST(DesktopEntryCheck, JudgesEachKindOfEntry) {
  struct Case {
    const char* name;
    std::string_view text;
    Verdict expected;
  };
  const Case cases[] = {
      {"plain application", "[Desktop Entry]\nType=Application\nName=A\nExec=a\n", Verdict::Application},
      {"vendor keys", "[Desktop Entry]\nType=Application\nName=A\nExec=a\nX_Vendor Key=1\nName[sr@latin]=B\n",
       Verdict::Application},
      {"broken locale", "[Desktop Entry]\nType=Application\nName=A\nExec=a\nName[de=B\n", Verdict::Malformed},
      {"spaces around =", "[Desktop Entry]\nType = Application\nName= A\nExec =a %U\n", Verdict::Application},
      {"bus activated, no Exec", "[Desktop Entry]\nType=Application\nName=A\nDBusActivatable=true\n",
       Verdict::Application},
      {"only Hidden", "[Desktop Entry]\nHidden=true\n", Verdict::Hidden},
      {"NoDisplay", "[Desktop Entry]\nType=Application\nName=A\nExec=a\nNoDisplay=true\n",
       Verdict::NoDisplay},
      {"a link", "[Desktop Entry]\nType=Link\nName=A\nURL=https://example.org\n", Verdict::NotApplication},
      {"empty file", "", Verdict::Malformed},
      {"no Type", "[Desktop Entry]\nName=A\nExec=a\n", Verdict::Malformed},
      {"no Name", "[Desktop Entry]\nType=Application\nExec=a\n", Verdict::Malformed},
      {"only a localised Name", "[Desktop Entry]\nType=Application\nName[de]=A\nExec=a\n",
       Verdict::Malformed},
      {"no Exec", "[Desktop Entry]\nType=Application\nName=A\n", Verdict::Malformed},
      {"Exec only in an action", "[Desktop Entry]\nType=Application\nName=A\n[Desktop Action x]\nExec=a\n",
       Verdict::Malformed},
      {"key before the group", "Type=Application\n[Desktop Entry]\nName=A\nExec=a\n", Verdict::Malformed},
      {"other group first", "[Other]\nX=1\n[Desktop Entry]\nType=Application\nName=A\nExec=a\n",
       Verdict::Malformed},
      {"two main groups", "[Desktop Entry]\nType=Application\nName=A\nExec=a\n[Desktop Entry]\n",
       Verdict::Malformed},
      {"unclosed header", "[Desktop Entry\nType=Application\nName=A\nExec=a\n", Verdict::Malformed},
      {"line without =", "[Desktop Entry]\nType=Application\nName=A\nExec=a\ngarbage\n", Verdict::Malformed},
      {"no key", "[Desktop Entry]\nType=Application\nName=A\nExec=a\n=1\n", Verdict::Malformed},
      {"zero byte", "[Desktop Entry]\nType=Application\nName=A\0\nExec=a\n"sv, Verdict::Malformed},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DesktopEntryQuery::checkEntry(c.text).verdict, c.expected) << c.name;
  }
  EXPECT_EQ(
      DesktopEntryQuery::checkEntry("[Desktop Entry]\nType=Application\nName=A\nExec=a\nTryExec=  a-bin\n")
          .tryExec,
      "a-bin");
  EXPECT_FALSE(DesktopEntryQuery::checkEntry("[Desktop Entry]\nType=Application\nName=A\n").reason.empty());
}

TEST(DesktopEntryFolders, FollowTheXdgRules) {
  struct Case {
    std::optional<std::string> dataHome;
    std::optional<std::string> dataDirs;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {std::nullopt,
       std::nullopt,
       {"/h/.local/share/applications", "/usr/local/share/applications", "/usr/share/applications"}},
      {"", "", {"/h/.local/share/applications", "/usr/local/share/applications", "/usr/share/applications"}},
      {"/data", "/a:/b/", {"/data/applications", "/a/applications", "/b/applications"}},
      // Relative entries are invalid and ignored; a folder named twice is listed once.
      {"relative",
       "rel:/a::/a/:/data",
       {"/h/.local/share/applications", "/a/applications", "/data/applications"}},
      {"/a", "/a", {"/a/applications"}},
  };
  for (const Case& c : cases) {
    vl::test::ScopedEnv env;
    env.set("HOME", "/h");
    env.set("XDG_DATA_HOME", c.dataHome);
    env.set("XDG_DATA_DIRS", c.dataDirs);
    EXPECT_EQ(DesktopEntryQuery::applicationFolders(), c.expected)
        << c.dataHome.value_or("(unset)") << " / " << c.dataDirs.value_or("(unset)");
  }
}

TEST(DesktopEntryGather, ABrowserOpensWebLinksOrSaysItIsOne) {
  const std::pair<const char*, bool> cases[] = {
      {"MimeType=text/html;x-scheme-handler/http;", true},
      {"MimeType=x-scheme-handler/https", true},
      {"Categories=Network;WebBrowser;", true},
      {"MimeType=x-scheme-handler/httpx;text/html;", false},
      {"Categories=Network;WebBrowsers;", false},
      {"Name=WebBrowser", false},
  };
  for (const auto& [line, browser] : cases) {
    const DesktopEntryFile file =
        DesktopEntryFile::parse(std::string("[Desktop Entry]\nType=Application\nExec=a\n") + line + "\n");
    EXPECT_EQ(DesktopEntryQuery::isWebBrowser(file), browser) << line;
  }
}

TEST(DesktopEntryGather, FirstFolderOwnsAnEntryAndOnlyLaunchableApplicationsCount) {
  vl::test::LogCapture log;
  auto query = DesktopEntryQuery::create();
  const std::vector<std::string> folders = {
      kEntries + "/user/applications", kEntries + "/missing/applications", kEntries + "/system/applications"};
  std::vector<DesktopEntryItem> items = query->gather(folders, "/usr/bin:/bin");
  const std::string user = kEntries + "/user/applications/";
  const std::string system = kEntries + "/system/applications/";
  std::vector<DesktopEntryItem> expected = {
      {"Editor", user + "Editor.desktop", "Editor (mine)"},  // the user's copy hides the system's
      // Only the trailing ".desktop" goes: the name keeps ".app" wherever it stands.
      {"Notes.app", system + "Notes.app.desktop", "Notes"},
      {"Shell", system + "Shell.desktop", "Shell tool"},  // TryExec found on the search path
      // Same file name in a subfolder: another entry id, the same application name.
      {"Editor", system + "kde/Editor.desktop", "Editor (KDE)"},
      // A browser by the links it opens.
      {"org.app.Viewer", system + "org.app.Viewer.desktop", "Viewer", true},
      {"surfer", system + "surfer.desktop", "Surfer", true},  // a WebBrowser by its category
  };
  EXPECT_EQ(items, expected);

  // The broken entry is logged once, not at every gathering.
  query->gather(folders, "/usr/bin:/bin");
  const std::vector<std::string> logLines = log.take();
  ASSERT_EQ(logLines.size(), 1u);
  EXPECT_NE(logLines[0].find(user + "broken.desktop"), std::string::npos) << logLines[0];

  EXPECT_TRUE(DesktopEntryQuery::programExists("sh", "/nonexistent:/bin"));
  EXPECT_FALSE(DesktopEntryQuery::programExists("sh", "/nonexistent"));
  EXPECT_FALSE(DesktopEntryQuery::programExists(system + "README", ""));  // not executable
}

}  // namespace
}  // namespace vl
