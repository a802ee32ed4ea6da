#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Json.h"
#include "support/TestSupport.h"

namespace vl::testing {
namespace {

// The real program, headless, in an empty home: it writes the default settings to the suite file and
// a Ctrl-C ends it cleanly. Polling here waits for another process, not for one of our timers.
TEST(ProgramRun, WritesTheDefaultSettingsAndStopsOnInterrupt) {
  const std::string program = std::string(VL_BINARY_DIR) + "/src/app/vellisto";
  if (!files::exists(program)) GTEST_SKIP() << "build the vellisto target first: " << program;
  vltest::TempDir home("vl-program");
  const std::string suite = home.path() + "/config/vellisto/Q4T8K2N6WZ.com.norrak.vellisto.json";
  ASSERT_TRUE(files::createDirectories(home.path() + "/run"));
  std::vector<std::string> env = {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + home.path() + "/config",
                                  "XDG_RUNTIME_DIR=" + home.path() + "/run",
                                  std::string("VELLISTO_RESOURCES=") + VL_RESOURCES_DIR,
                                  "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, (home.path() + "/stderr").c_str(), O_WRONLY | O_CREAT, 0600);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  auto settings = [&] { return Json::parse(files::readFile(suite).value_or(""), nullptr, false); };
  while (!settings().contains("112") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(settings().contains("112")) << "no default settings in " << suite;

  ASSERT_EQ(::kill(pid, SIGINT), 0);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (::kill(pid, 0) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    FAIL() << "vellisto did not stop on SIGINT";
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_NE(files::readFile(home.path() + "/stderr").value_or("").find("vellisto: stopped"),
            std::string::npos);
}

}  // namespace
}  // namespace vl::testing
