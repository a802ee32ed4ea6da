#include "support/SyncPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/foundation/Files.h"

namespace vl::test {

SyncPeer::SyncPeer(const std::vector<std::string>& environment) : dir_("vl-sync-peer") {
  // A peer a test killed must not take the test with it when the next command is written.
  ::signal(SIGPIPE, SIG_IGN);
  if (dir_.path().empty()) return;
  const std::string home = dir_ / "home";
  (void)files::createDirectories(home);
  std::vector<std::string> env = {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config",
                                  "XDG_CACHE_HOME=" + home + "/.cache", "XDG_RUNTIME_DIR=" + dir_.path(),
                                  "PATH=/usr/bin:/bin"};
  for (const char* pass : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "VELLISTO_RESOURCES"}) {
    if (const char* value = std::getenv(pass)) env.push_back(std::string(pass) + "=" + value);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int toPeer[2], fromPeer[2];
  if (::pipe2(toPeer, O_CLOEXEC) != 0) return;
  if (::pipe2(fromPeer, O_CLOEXEC) != 0) {
    ::close(toPeer[0]);
    ::close(toPeer[1]);
    return;
  }
  const std::string errors = dir_ / "peer.err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toPeer[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromPeer[1], 3);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0600);
  posix_spawn_file_actions_adddup2(&actions, 2, 1);
  char* argv[] = {const_cast<char*>(path().c_str()), nullptr};
  if (::posix_spawn(&pid_, path().c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(toPeer[0]);
  ::close(fromPeer[1]);
  in_ = toPeer[1];
  out_ = fromPeer[0];
  if (pid_ <= 0) return;
  std::optional<Json> hello = parseJson(readLine(20000), "peer hello");
  if (hello && hello->is_object()) {
    port_ = static_cast<int>(jsonInteger(*hello, "port"));
    networkId_ = jsonString(*hello, "network_id");
  }
}

SyncPeer::~SyncPeer() {
  if (in_ >= 0 && pid_ > 0) {
    // Asked to quit first, so its store is written and its server closed as at a real stop.
    const std::string quit = "{\"cmd\":\"quit\"}\n";
    (void)!::write(in_, quit.data(), quit.size());
  }
  if (in_ >= 0) ::close(in_);
  if (pid_ > 0) {
    ::kill(pid_, SIGCONT);
    for (int i = 0; i < 1000 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill();
  }
  if (out_ >= 0) ::close(out_);
}

const std::string& SyncPeer::path() {
  static const std::string p = std::string(VL_BINARY_DIR) + "/tests/vl-sync-peer";
  return p;
}

std::string SyncPeer::errors() const { return files::readFile(dir_ / "peer.err").value_or(""); }

std::string SyncPeer::readLine(double ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(ms);
  for (;;) {
    if (auto end = buffer_.find('\n'); end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || out_ < 0) return {};
    pollfd readable{out_, POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
    char chunk[4096];
    const ssize_t n = ::read(out_, chunk, sizeof chunk);
    if (n <= 0) return {};
    buffer_.append(chunk, static_cast<std::size_t>(n));
  }
}

Json SyncPeer::ask(const Json& command, double ms) {
  if (in_ < 0 || pid_ <= 0) return nullptr;
  const std::string line = command.dump() + "\n";
  if (::write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return nullptr;
  std::optional<Json> answer = parseJson(readLine(ms + jsonDouble(command, "ms", 0)), "peer answer");
  return answer ? *answer : Json(nullptr);
}

void SyncPeer::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void SyncPeer::pause() {
  if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void SyncPeer::resume() {
  if (pid_ > 0) ::kill(pid_, SIGCONT);
}

}  // namespace vl::test
