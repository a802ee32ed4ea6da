#include "support/ProgramUnderTest.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Files.h"

namespace vl::x11test {

Program::Program(const std::string& root, const std::string& display,
                 const std::vector<std::string>& environment)
    : home_(root + "/home"), errors_(root + "/vellisto.err") {
  (void)files::createDirectories(root + "/run");
  std::vector<std::string> env = {"HOME=" + home_,
                                  "XDG_CONFIG_HOME=" + home_ + "/.config",
                                  "XDG_CACHE_HOME=" + home_ + "/.cache",
                                  "XDG_RUNTIME_DIR=" + root + "/run",
                                  "DISPLAY=" + display,
                                  std::string("VELLISTO_RESOURCES=") + VL_RESOURCES_DIR,
                                  "PATH=/usr/bin:/bin"};
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
  ::kill(pid_, SIGINT);
  for (int i = 0; i < 500 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

void Program::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
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

}  // namespace vl::x11test
