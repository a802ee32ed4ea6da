// clang-format off
// gtest before any X11 header: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>
// clang-format on

#include <sys/stat.h>
#include <unistd.h>

#include "platform/foundation/Files.h"
#include "platform/system/DesktopBackends.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/HotKeyCenter.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/Pasteboard.h"
#include "platform/system/x11/X11Workspace.h"
#include "platform/system/x11/clipboard/X11Pasteboard.h"
#include "platform/system/x11/input/X11GlobalEventMonitor.h"
#include "platform/system/x11/input/X11HotKeyCenter.h"
#include "platform/system/x11/input/X11KeyPoster.h"
#include "platform/system/x11/window/X11WindowServer.h"
#include "support/X11TestSupport.h"

namespace vl {
namespace {

// A private applications folder that disappears with the test.
class AppsFolder {
 public:
  AppsFolder() {
    char path[] = "/tmp/vl-x11-apps-XXXXXX";
    path_ = mkdtemp(path) ? path : "";
  }
  ~AppsFolder() { (void)files::removeRecursive(path_); }  // a temporary folder: best effort
  void add(const std::string& id, const std::string& body) {
    EXPECT_TRUE(files::atomicWrite(files::joinPath(path_, id + ".desktop"),
                                   "[Desktop Entry]\nType=Application\n" + body));
  }
  std::string entry(const std::string& id) const { return files::joinPath(path_, id + ".desktop"); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// This test program's own file name, which /proc reports for the window's process.
std::string ownExecutable() {
  char buffer[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? files::lastPathComponent(std::string(buffer, static_cast<std::size_t>(n))) : "";
}

class X11WorkspaceTest : public x11test::X11Test {};

TEST_F(X11WorkspaceTest, FrontApplicationIsTheDesktopEntryThatNamesTheActiveWindow) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> entries;
    std::string expectedName;
    bool fromEntry;
  };
  const std::vector<Case> cases = {
      {"StartupWMClass",
       {{"org.example.Notes", "Name=Notes\nExec=notes\nStartupWMClass=Notetaker\n"}},
       "org.example.Notes",
       true},
      {"entry id equal to the class, ignoring case",
       {{"notetaker", "Name=N\nExec=something-else\n"}},
       "notetaker",
       true},
      {"Exec naming the window's program",
       {{"org.example.Tests", "Name=T\nExec=env LANG=C /opt/bin/" + ownExecutable() + " %U\n"}},
       "org.example.Tests",
       true},
      {"the class wins over the program",
       {{"a.ByProgram", "Exec=" + ownExecutable() + "\n"},
        {"b.ByClass", "Exec=x\nStartupWMClass=Notetaker\n"}},
       "b.ByClass",
       true},
      {"no entry: the window class stands in", {{"org.example.Other", "Exec=other\n"}}, "Notetaker", false},
  };
  x11test::TestWindow window(display_, "Notetaker", static_cast<long>(getpid()));
  window.makeActive();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppsFolder apps;
    for (const auto& [id, body] : c.entries) apps.add(id, body);
    auto workspace = X11Workspace::create(display_, {{apps.path()}});
    ASSERT_NE(workspace, nullptr);
    auto front = workspace->frontmostApplication();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->name, c.expectedName);
    EXPECT_EQ(front->processIdentifier, getpid());
    EXPECT_TRUE(front->active);
    if (c.fromEntry) {
      EXPECT_EQ(front->path, apps.entry(c.expectedName));
    }
    EXPECT_EQ(workspace->runningApplications(), std::vector<RunningApplication>{*front});
  }
}

TEST_F(X11WorkspaceTest, WithoutAWindowManagerTheInputFocusDecides) {
  AppsFolder apps;
  apps.add("org.example.Terminal", "Exec=term\nStartupWMClass=Terminal\n");
  auto workspace = X11Workspace::create(display_, {{apps.path()}});
  ASSERT_NE(workspace, nullptr);
  {
    x11test::TestWindow terminal(display_, "Terminal", 4242);
    terminal.focus();
    auto front = workspace->frontmostApplication();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->name, "org.example.Terminal");
    EXPECT_EQ(front->processIdentifier, 4242);
  }
  // The focused window went away and the focus went back to the root: no application is in front.
  EXPECT_EQ(workspace->frontmostApplication(), std::nullopt);
}

TEST_F(X11WorkspaceTest, HidingAnApplicationIconifiesItsWindowsAndNoOthers) {
  auto wm = x11test::DisplayHelper::windowManager(display_);
  if (!wm || !wm->running()) VL_SKIP_WITHOUT_DESKTOP("no window manager");
  auto workspace = X11Workspace::create(display_);
  ASSERT_NE(workspace, nullptr);
  x11test::TestWindow ledger(display_, "Ledger", 4242), other(display_, "Other", 4343);
  ledger.focus();
  other.focus();
  const auto viewable = [](const x11test::TestWindow& w) {
    XWindowAttributes a;
    return XGetWindowAttributes(w.display(), w.id(), &a) && a.map_state == IsViewable;
  };
  ASSERT_TRUE(x11test::waitUntil([&] { return viewable(ledger) && viewable(other); }));
  RunningApplication app;
  app.name = "Ledger";
  app.processIdentifier = 4242;
  // The window manager lists a window once it has taken it in.
  ASSERT_TRUE(x11test::waitUntil([&] { return workspace->hideApplication(app); }));
  EXPECT_TRUE(x11test::waitUntil([&] { return !viewable(ledger); }));
  EXPECT_TRUE(viewable(other));
  app.processIdentifier = 999999;
  EXPECT_FALSE(workspace->hideApplication(app));
}

TEST_F(X11WorkspaceTest, OnlyUrlsAndDesktopEntriesAreOpened) {
  auto workspace = X11Workspace::create(display_);
  ASSERT_NE(workspace, nullptr);
  EXPECT_FALSE(workspace->openURL("--help"));
  EXPECT_FALSE(workspace->openURL("no scheme here"));
  EXPECT_FALSE(workspace->launchApplication("/usr/bin/true"));
  AppsFolder apps;
  apps.add("broken", "Name=No program\n");
  EXPECT_FALSE(workspace->launchApplication(apps.entry("broken")));
  apps.add("ok", "Exec=true %U\n");
  EXPECT_TRUE(workspace->launchApplication(apps.entry("ok")));
}

// A URL opened in a chosen application reaches its program as the entry's %u.
TEST_F(X11WorkspaceTest, AUrlOpensInTheApplicationOfAnEntry) {
  auto workspace = X11Workspace::create(display_);
  ASSERT_NE(workspace, nullptr);
  AppsFolder apps;
  const std::string out = files::joinPath(apps.path(), "opened");
  const std::string script = files::joinPath(apps.path(), "browser.sh");
  EXPECT_TRUE(files::atomicWrite(
      script, "#!/bin/sh\nprintf '%s' \"$2\" > " + out + ".part && mv " + out + ".part " + out + "\n"));
  ASSERT_EQ(chmod(script.c_str(), 0700), 0);
  apps.add("browser", "Exec=" + script + " --new-tab %u\n");
  EXPECT_FALSE(workspace->openURL("--help", apps.entry("browser")));
  EXPECT_FALSE(workspace->openURL("https://example.org", "/usr/bin/true"));
  const std::string url = "https://example.org/search?q=a%20b";
  ASSERT_TRUE(workspace->openURL(url, apps.entry("browser")));
  ASSERT_TRUE(x11test::waitUntil([&] { return files::isRegularFile(out); }, 10000));
  EXPECT_EQ(files::readFile(out), url);
}

TEST_F(X11WorkspaceTest, DesktopBackendsAreChosenByTheDisplay) {
  EXPECT_FALSE(installDesktopBackends(":999"));
  EXPECT_TRUE(log_->contains("not usable"));
  EXPECT_EQ(std::dynamic_pointer_cast<X11Pasteboard>(Pasteboard::general()), nullptr);

  ASSERT_TRUE(installDesktopBackends(display_));
  EXPECT_NE(std::dynamic_pointer_cast<X11Pasteboard>(Pasteboard::general()), nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<X11Workspace>(Workspace::shared()), nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<X11KeyPoster>(KeyEventPoster::shared()), nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<X11HotKeyCenter>(HotKeyCenter::shared()), nullptr);
  EXPECT_NE(std::dynamic_pointer_cast<X11GlobalEventMonitor>(GlobalEventMonitor::shared()), nullptr);
  EXPECT_TRUE(KeyEventPoster::shared()->isAccessibilityTrusted());
  EXPECT_NE(dynamic_cast<x11::X11WindowServer*>(ui::WindowServer::installed()), nullptr);

  ui::WindowServer::install(nullptr);
  Pasteboard::install(nullptr);
  Workspace::install(nullptr);
  KeyEventPoster::install(nullptr);
  HotKeyCenter::install(nullptr);
  GlobalEventMonitor::install(nullptr);
}

}  // namespace
}  // namespace vl
