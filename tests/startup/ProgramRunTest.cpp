#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Json.h"
#include "startup/DataFolderLock.h"
#include "support/RequiredDesktop.h"
#include "support/TestSupport.h"

namespace vl::test {
namespace {

using Steady = std::chrono::steady_clock;

const std::string& program() {
  static const std::string path = std::string(VL_BINARY_DIR) + "/src/app/vellisto";
  return path;
}

// The real program, headless, in a home of the test's choosing; its stderr goes to a file beside the
// home. Polling here waits for another process, not for one of our timers.
class ProgramRun {
 public:
  ProgramRun(const std::string& root, const std::string& name)
      : root_(root), stderr_(root + "/" + name + ".err") {
    const std::string home = root + "/home";
    std::vector<std::string> env = {
        "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config", "XDG_RUNTIME_DIR=" + root + "/run",
        std::string("VELLISTO_RESOURCES=") + VL_RESOURCES_DIR, "PATH=/usr/bin:/bin"};
    // The tests wait for tracing lines, which only a debug log shows.
    env.push_back("VELLISTO_LOG=debug");
    EXPECT_TRUE(files::createDirectories(root + "/run"));
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_.c_str(), O_WRONLY | O_CREAT, 0600);
    char* argv[] = {const_cast<char*>(program().c_str()), nullptr};
    if (::posix_spawn(&pid_, program().c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~ProgramRun() {
    if (pid_ > 0 && !status_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  std::string settingsFile() const {
    return root_ + "/home/.config/vellisto/Q4T8K2N6WZ.com.norrak.vellisto.json";
  }
  bool waitForDefaultSettings() const {
    auto settings = [&] { return Json::parse(files::readFile(settingsFile()).value_or(""), nullptr, false); };
    for (auto deadline = Steady::now() + std::chrono::seconds(20); Steady::now() < deadline;) {
      if (settings().contains("112")) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // The exit status, or nothing when the program still ran after 20 s (it is then killed).
  std::optional<int> waitForExit() {
    for (auto deadline = Steady::now() + std::chrono::seconds(20); !status_ && Steady::now() < deadline;) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = status;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return status_;
  }
  std::optional<int> interruptAndWait() {
    ::kill(pid_, SIGINT);
    return waitForExit();
  }
  std::string errors() const { return files::readFile(stderr_).value_or(""); }
  // Whether one of `needles` appeared in the log within 20 s.
  bool waitForLog(std::initializer_list<const char*> needles) const {
    for (auto deadline = Steady::now() + std::chrono::seconds(20); Steady::now() < deadline;) {
      const std::string log = errors();
      for (const char* needle : needles) {
        if (log.find(needle) != std::string::npos) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

 private:
  std::string root_;
  std::string stderr_;
  pid_t pid_ = -1;
  std::optional<int> status_;
};

bool exitedWith(std::optional<int> status, int code) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

class ProgramRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!files::exists(program())) VL_SKIP_WITHOUT_DESKTOP("build the vellisto target first: " << program());
  }
  vl::test::TempDir root_{"vl-program"};
};

// It writes the default settings to the suite file and a Ctrl-C ends it cleanly.
TEST_F(ProgramRunTest, WritesTheDefaultSettingsAndStopsOnInterrupt) {
  ProgramRun run(root_.path(), "first");
  ASSERT_TRUE(run.started());
  EXPECT_TRUE(run.waitForDefaultSettings()) << "no default settings in " << run.settingsFile();
  // The network configuration made at launch hears the sync interface's first path report.
  EXPECT_TRUE(run.waitForLog({"network connected.", "network disconnected."})) << run.errors();
  std::optional<int> status = run.interruptAndWait();
  EXPECT_TRUE(exitedWith(status, 0)) << "status " << status.value_or(-1) << "\n" << run.errors();
  EXPECT_NE(run.errors().find("vellisto: stopped"), std::string::npos);
  // HTML is read on queues of their own: the library they share was set up while no other thread ran.
  EXPECT_NE(run.errors().find("libxml2: set up on the main thread before any other thread"),
            std::string::npos)
      << run.errors();
}

// The soft and hard "Max open files" of a running process.
std::pair<std::string, std::string> openFileLimits(pid_t pid) {
  const std::string limits = files::readFile("/proc/" + std::to_string(pid) + "/limits").value_or("");
  const std::size_t at = limits.find("Max open files");
  if (at == std::string::npos) return {};
  std::istringstream line(limits.substr(at + std::strlen("Max open files")));
  std::string soft, hard;
  line >> soft >> hard;
  return {soft, hard};
}

// A desktop starts programs with 1,024 open files at most, while allowing far more: the program takes
// what it is allowed, so that idle connections to the sync port or many journals do not run it out.
TEST_F(ProgramRunTest, TakesTheOpenFileLimitItIsAllowed) {
  rlimit ours{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &ours), 0);
  if (ours.rlim_max <= 1024) GTEST_SKIP() << "the hard limit leaves nothing to raise";
  rlimit desktop = ours;
  desktop.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &desktop), 0);
  ProgramRun run(root_.path(), "limit");  // inherits the desktop's limit
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &ours), 0);
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(run.waitForDefaultSettings()) << run.errors();
  const auto [soft, hard] = openFileLimits(run.pid());
  EXPECT_EQ(soft, hard);
  EXPECT_EQ(hard, std::to_string(ours.rlim_max));
  EXPECT_TRUE(exitedWith(run.interruptAndWait(), 0)) << run.errors();
}

// Two programs on one home would both capture and write the same docs: the second one says that one
// already runs and stops at once, with nothing of the home touched.
TEST_F(ProgramRunTest, ASecondProgramOnTheSameHomeStopsWithoutTouchingIt) {
  {
    DataFolderLock held;
    ASSERT_EQ(held.acquire(root_.path() + "/home"), DataFolderLock::Result::Acquired);
    ProgramRun second(root_.path(), "second");
    ASSERT_TRUE(second.started());
    EXPECT_TRUE(exitedWith(second.waitForExit(), 3)) << second.errors();
    EXPECT_NE(second.errors().find("another vellisto already runs"), std::string::npos) << second.errors();
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_.path() + "/home"))
      left.push_back(std::filesystem::relative(entry.path(), root_.path() + "/home").string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".vellisto", ".vellisto/lock"}));
  }

  ProgramRun first(root_.path(), "first");
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(first.waitForDefaultSettings());
  ProgramRun second(root_.path(), "second-again");
  EXPECT_TRUE(exitedWith(second.waitForExit(), 3)) << second.errors();
  EXPECT_TRUE(exitedWith(first.interruptAndWait(), 0)) << first.errors();
}

}  // namespace
}  // namespace vl::test
