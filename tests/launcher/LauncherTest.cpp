#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "launcher/AppDelegate.h"
#include "launcher/DetachedLaunch.h"
#include "launcher/RunningProcesses.h"
#include "support/TestSupport.h"

extern char** environ;

namespace vl::launcher {
namespace {

namespace fs = std::filesystem;

using vl::test::TempDir;

// A proc folder whose processes the test makes up: a status file and an exe link each.
class FakeProc {
 public:
  void add(long pid, long uid, const std::string& name, const std::string& exe) {
    std::string dir = dir_.path() + "/" + std::to_string(pid);
    fs::create_directories(dir);
    std::ofstream(dir + "/status") << "Name:\t" << name << "\nUmask:\t0022\nState:\tS (sleeping)\nUid:\t"
                                   << uid << "\t" << uid << "\t" << uid << "\t" << uid << "\n";
    if (!exe.empty()) fs::create_symlink(exe, dir + "/exe");
  }
  const std::string& root() const { return dir_.path(); }

 private:
  TempDir dir_;
};

TEST(LauncherPath, MainProgramLiesBesideTheLauncher) {
  struct Case {
    const char* ownPath;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"/opt/vellisto/vellisto-launcher", "/opt/vellisto/vellisto"},
      {"/home/u/.local/lib/vellisto/bin/vellisto-launcher", "/home/u/.local/lib/vellisto/bin/vellisto"},
      {"/usr//bin/vellisto-launcher", "/usr/bin/vellisto"},
      {"/vellisto-launcher", "/vellisto"},
      // Paths that name no file in a folder launch nothing.
      {"", std::nullopt},
      {"/", std::nullopt},
      {"vellisto-launcher", std::nullopt},
      {"bin/vellisto-launcher", std::nullopt},
      {"/opt/vellisto/", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AppDelegate::mainProgramPath(c.ownPath), c.expected) << "own path \"" << c.ownPath << "\"";
  }
}

TEST(LauncherIdentity, OnlyTheMainProgramOfThisUserCounts) {
  struct Case {
    RunningProcess process;
    bool expected;
  };
  const Case cases[] = {
      {{10, 1000, "vellisto", "/opt/vellisto/vellisto"}, true},
      {{13, 1000, "vellisto-launche", "/opt/vellisto/vellisto-launcher"}, false},
      {{14, 1000, "Vellisto", "/opt/vellisto/Vellisto"}, false},
      {{15, 1000, "vellisto.sh", "/opt/vellisto/vellisto.sh"}, false},
      // A script or an interpreter that renamed itself is not the program.
      {{16, 1000, "vellisto", "/usr/bin/python3"}, false},
      {{17, 1001, "vellisto", "/opt/vellisto/vellisto"}, false},
      {{18, 1000, "vellisto", ""}, false},
      {{19, -1, "vellisto", "/opt/vellisto/vellisto"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AppDelegate::isMainProgram(c.process, 1000), c.expected) << "pid " << c.process.pid;
  }
}

TEST(LauncherProcesses, ReadsNumberedEntriesAndDropsTheDeletedMark) {
  FakeProc proc;
  proc.add(42, 1000, "vellisto", "/opt/vellisto/vellisto (deleted)");
  proc.add(7, 0, "kthreadd", "");  // kernel threads have no executable
  fs::create_directories(proc.root() + "/sys");
  fs::create_directories(proc.root() + "/self");

  std::vector<RunningProcess> found = runningProcesses(proc.root());
  ASSERT_EQ(found.size(), 2u);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
  EXPECT_EQ(found[0].pid, 7);
  EXPECT_EQ(found[0].executablePath, "");
  EXPECT_EQ(found[1].pid, 42);
  EXPECT_EQ(found[1].uid, 1000);
  EXPECT_EQ(found[1].name, "vellisto");
  EXPECT_EQ(found[1].executablePath, "/opt/vellisto/vellisto");
  EXPECT_TRUE(AppDelegate::isMainProgram(found[1], 1000));

  EXPECT_TRUE(runningProcesses(proc.root() + "/missing").empty());
  EXPECT_FALSE(ownExecutablePath().empty());
}

TEST(LauncherDecision, StartsTheProgramBesideItOnlyWhenNoneOfThisUserRuns) {
  using Outcome = AppDelegate::Outcome;
  struct Case {
    const char* what;
    std::string ownPath;
    std::optional<RunningProcess> running;
    Outcome expected;
  };
  const Case cases[] = {
      {"another user's session only", "/opt/vellisto/vellisto-launcher",
       RunningProcess{301, 1001, "vellisto", "/opt/vellisto/vellisto"}, Outcome::Launched},
      {"the program runs from elsewhere", "/opt/vellisto/vellisto-launcher",
       RunningProcess{302, 1000, "vellisto", "/somewhere/else/vellisto"}, Outcome::AlreadyRunning},
      {"a path too short", "vellisto-launcher", std::nullopt, Outcome::NoProgramPath},
      // Installed under the main program's own name it would start itself again and again.
      {"its own name", "/opt/vellisto/vellisto", std::nullopt, Outcome::NoProgramPath},
  };
  for (const Case& c : cases) {
    FakeProc proc;
    // The launcher itself always shows up among the running processes.
    proc.add(300, 1000, "vellisto-launche", "/opt/vellisto/vellisto-launcher");
    if (c.running) proc.add(c.running->pid, c.running->uid, c.running->name, c.running->executablePath);
    AppDelegate delegate;
    delegate.setProcRoot(proc.root());
    delegate.setUserId(1000);
    delegate.setOwnPath(c.ownPath);
    std::vector<std::string> launched;
    delegate.setLaunchFunction([&](const std::string& path) {
      launched.push_back(path);
      return true;
    });
    EXPECT_EQ(delegate.applicationDidFinishLaunching(), c.expected) << c.what;
    EXPECT_EQ(launched, c.expected == Outcome::Launched ? std::vector<std::string>{"/opt/vellisto/vellisto"}
                                                        : std::vector<std::string>{})
        << c.what;
  }
}

TEST(LauncherDetachedLaunch, AMissingProgramFailsWithoutAChildLeft) {
  TempDir dir;
  EXPECT_FALSE(launchDetached(dir.path() + "/vellisto"));
  std::ofstream(dir.path() + "/not-executable") << "data";
  EXPECT_FALSE(launchDetached(dir.path() + "/not-executable"));
  // The intermediate child was reaped: nothing is left to wait for.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

// The real programs: a copy of the launcher next to a stand-in main program in a temporary folder.
// /proc/self/exe resolves symbolic links, so the launcher must be copied, not linked, to look there.
class LauncherProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const RunningProcess& p : runningProcesses()) {
      if (AppDelegate::isMainProgram(p, static_cast<long>(::getuid()))) {
        GTEST_SKIP() << "a program named vellisto already runs (pid " << p.pid << ")";
      }
    }
    launcher_ = dir_.path() + "/vellisto-launcher";
    program_ = dir_.path() + "/vellisto";
    fs::copy_file(VL_LAUNCHER_PROGRAM, launcher_);
    fs::permissions(launcher_, fs::perms::owner_all);
  }

  void TearDown() override {
    for (const std::string& line : markerLines()) ::kill(static_cast<pid_t>(std::stol(line)), SIGKILL);
  }

  int runLauncher() {
    char* argv[] = {launcher_.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, launcher_.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  std::vector<std::string> markerLines() {
    std::ifstream in(dir_.path() + "/started");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The launcher returns once the program has been exec'd; its first line follows within moments.
  bool waitForMarker() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (markerLines().empty()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  int instancesRunningHere() {
    int count = 0;
    for (const RunningProcess& p : runningProcesses()) count += p.executablePath == program_ ? 1 : 0;
    return count;
  }

  TempDir dir_;
  std::string launcher_;
  std::string program_;
};

// One test on purpose: ctest runs test cases in parallel, and a second case's launcher would see this
// case's stand-in program running.
TEST_F(LauncherProgram, StartsTheProgramBesideItOnceAndNotAgainWhileItRuns) {
  // Nothing beside it yet: it says so, fails, and starts nothing.
  EXPECT_EQ(runLauncher(), 1);
  EXPECT_TRUE(markerLines().empty());

  fs::copy_file(VL_FAKE_MAIN_PROGRAM, program_);
  fs::permissions(program_, fs::perms::owner_all);
  ASSERT_EQ(runLauncher(), 0);
  ASSERT_TRUE(waitForMarker());
  std::istringstream first(markerLines().at(0));
  long pid = 0;
  int leadsSession = 1, quiet = 0;
  first >> pid >> leadsSession >> quiet;
  EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), 0) << "the program outlives the launcher";
  EXPECT_EQ(leadsSession, 0) << "a session leader could acquire a controlling terminal";
  EXPECT_NE(::getsid(static_cast<pid_t>(pid)), ::getsid(0));
  EXPECT_EQ(quiet, 1) << "stdout should be /dev/null";

  ASSERT_EQ(runLauncher(), 0);
  EXPECT_EQ(instancesRunningHere(), 1);
  EXPECT_EQ(markerLines().size(), 1u);
}

}  // namespace
}  // namespace vl::launcher
