#include "support/ProgramUnderTest.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Files.h"
#include "support/PrivateDesktop.h"

namespace vl::x11test {

bool eventually(const std::function<bool()>& done, int seconds) {
  for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
       std::chrono::steady_clock::now() < deadline;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

std::vector<pid_t> processesWithEnvironment(const std::string& entry) {
  std::vector<pid_t> found;
  std::error_code error;
  for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = process.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(name));
    if (pid == ::getpid()) continue;
    // Gone meanwhile, not ours to read, or ended and not yet collected (which shows no environment).
    std::ifstream environ(process.path() / "environ", std::ios::binary);
    for (std::string variable; std::getline(environ, variable, '\0');) {
      if (variable == entry) {
        found.push_back(pid);
        break;
      }
    }
  }
  return found;
}

std::size_t endProcessesWithEnvironment(const std::string& entry, int graceMs) {
  const std::vector<pid_t> left = processesWithEnvironment(entry);
  for (pid_t pid : left) ::kill(pid, SIGTERM);
  // A stopped process takes the SIGTERM only once it goes on.
  for (pid_t pid : left) ::kill(pid, SIGCONT);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  while (!processesWithEnvironment(entry).empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  for (pid_t pid : processesWithEnvironment(entry)) ::kill(pid, SIGKILL);
  return left.size();
}

Program::Program(const std::string& root, const std::string& display,
                 const std::vector<std::string>& environment)
    : home_(root + "/home"), errors_(root + "/vellisto.err"), runtime_("XDG_RUNTIME_DIR=" + root + "/run") {
  (void)files::createDirectories(root + "/run");
  testsupport::makePrivateDesktop(root);
  std::vector<std::string> env = {"HOME=" + home_,
                                  "XDG_CONFIG_HOME=" + home_ + "/.config",
                                  "XDG_CACHE_HOME=" + home_ + "/.cache",
                                  "XDG_DATA_HOME=" + home_ + "/.local/share",
                                  "XDG_DATA_DIRS=" + root + "/share",
                                  "XDG_CONFIG_DIRS=" + root + "/xdg",
                                  runtime_,
                                  "DISPLAY=" + display,
                                  std::string("VELLISTO_RESOURCES=") + VL_RESOURCES_DIR,
                                  "PATH=/usr/bin:/bin"};
  // Under a sanitizer the program reads the suppressions and options the tests run with.
  for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
  }
  for (const std::string& extra : environment) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
    env.push_back(extra);
  }
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Appended to: a program started again on the same home adds to what the first one said.
  posix_spawn_file_actions_addopen(&actions, 2, errors_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  char* argv[] = {const_cast<char*>(path().c_str()), nullptr};
  if (::posix_spawn(&pid_, path().c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
}

Program::~Program() {
  if (pid_ <= 0) return;
  if (!ended_) {
    ::kill(pid_, SIGINT);
    for (int i = 0; i < 500 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  endProcessesWithEnvironment(runtime_);
}

std::optional<int> Program::quit(int timeoutMs) {
  if (pid_ <= 0 || ended_) return std::nullopt;
  ::kill(pid_, SIGINT);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      ended_ = true;
      return status;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void Program::kill() {
  if (pid_ <= 0 || ended_) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  ended_ = true;
}

const std::string& Program::path() {
  static const std::string p = std::string(VL_BINARY_DIR) + "/src/app/vellisto";
  return p;
}

std::string Program::errors() const { return files::readFile(errors_).value_or(""); }

std::size_t Program::count(const std::string& needle) const {
  const std::string text = errors();
  std::size_t n = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

bool Program::logged(const std::string& needle, std::size_t before, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (count(needle) <= before) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace vl::x11test
