#include "platform/system/web/WebHelperProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/foundation/JsonBounded.h"
#include "platform/foundation/Log.h"

extern char** environ;

namespace vl {

std::unique_ptr<WebHelperProcess> WebHelperProcess::start(
    const std::string& program, const std::map<std::string, std::string>& environment, Callbacks callbacks) {
  int in[2] = {-1, -1}, out[2] = {-1, -1};
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    logErrorf("web view: no pipes for the helper: %s", std::strerror(errno));
    for (int fd : {in[0], in[1], out[0], out[1]}) {
      if (fd >= 0) ::close(fd);
    }
    return nullptr;
  }
  // Everything the child needs is made before fork: after it only async-signal-safe calls are allowed.
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry(*e);
    const std::string key = entry.substr(0, entry.find('='));
    if (!environment.count(key)) env.push_back(entry);
  }
  for (const auto& [key, value] : environment) env.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string path = program;
  char* argv[] = {path.data(), nullptr};
  const pid_t parent = getpid();

  const pid_t pid = fork();
  if (pid < 0) {
    logErrorf("web view: cannot start the helper: %s", std::strerror(errno));
    for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
    return nullptr;
  }
  if (pid == 0) {
    // The helper goes when we go, even when we could not close its input.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(0);
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    close_range(3, ~0U, 0);
    execve(path.c_str(), argv, envp.data());
    _exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  std::unique_ptr<WebHelperProcess> process(new WebHelperProcess());
  process->pid_ = pid;
  process->input_ = in[1];
  process->output_ = out[0];
  fcntl(process->input_, F_SETFL, fcntl(process->input_, F_GETFL) | O_NONBLOCK);
  // Room for bursts of long addresses while the helper is busy; the default stays when refused.
  fcntl(process->input_, F_SETPIPE_SZ, 1024 * 1024);
  WebHelperProcess* self = process.get();
  process->reader_ = std::thread([self, callbacks = std::move(callbacks)] { self->readLoop(callbacks); });
  return process;
}

WebHelperProcess::~WebHelperProcess() { stop(); }

bool WebHelperProcess::send(const Json& command) {
  const std::string line = command.dump(-1, ' ', false, Json::error_handler_t::replace);
  if (line.size() > kMaxLine) {
    // An address this long is no page anyone can show; it is the user's text, so only its size is told.
    logWarningf("web view: a command of %zu bytes is longer than the helper reads; not sent", line.size());
    return false;
  }
  return sendLine(line);
}

bool WebHelperProcess::sendLine(std::string_view text) {
  if (input_ < 0) return false;
  const std::string line = std::string(text) + "\n";
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(input_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // A full pipe means the helper stopped reading: it is hung, and waiting would hang us too.
      logWarning("web view: the helper stopped reading its commands; ending it");
      ::kill(pid_, SIGKILL);
      return false;
    }
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

void WebHelperProcess::stop(double graceMs) {
  if (pid_ < 0) return;
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  ::kill(pid_, SIGTERM);
  // A stopped or hung helper never takes the SIGTERM; quitting must not wait for it.
  if (!collect(pid_, graceMs)) {
    logWarningf("web view: the helper (process %d) did not end within %.0f ms; killing it",
                static_cast<int>(pid_), graceMs);
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
  if (reader_.joinable()) reader_.join();
  if (output_ >= 0) ::close(output_);
  output_ = -1;
}

bool WebHelperProcess::collect(pid_t pid, double ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(ms);
  // A descriptor that becomes readable when the process ends, where the kernel has them.
  const int watch = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) break;
    if (done < 0 && errno == EINTR) continue;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      if (watch >= 0) ::close(watch);
      return false;
    }
    if (watch >= 0) {
      pollfd p{watch, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(left.count()));
    } else {
      ::usleep(static_cast<useconds_t>(std::min<long long>(left.count(), 10) * 1000));
    }
  }
  if (watch >= 0) ::close(watch);
  return true;
}

void WebHelperProcess::readLoop(Callbacks callbacks) {
  pthread_setname_np(pthread_self(), "vl.webview");
  LineCutter cutter;
  char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = ::read(output_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    cutter.feed(std::string_view(buffer, static_cast<std::size_t>(n)), [&](std::string_view line) {
      if (auto report = parseReport(line); report && callbacks.report) callbacks.report(std::move(*report));
    });
  }
  if (callbacks.ended) callbacks.ended();
}

void WebHelperProcess::LineCutter::feed(std::string_view bytes,
                                        const std::function<void(std::string_view)>& line) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (!dropping_ && partial_.size() + piece.size() > kMaxLine) {
      logWarningf("web view: a report line of more than %zu bytes from the helper was dropped", kMaxLine);
      partial_.clear();
      dropping_ = true;
    }
    if (!dropping_) partial_.append(piece);
    if (end == std::string_view::npos) return;
    if (!dropping_ && !partial_.empty()) line(partial_);
    partial_.clear();
    dropping_ = false;
    bytes.remove_prefix(end + 1);
  }
}

std::optional<Json> WebHelperProcess::parseReport(std::string_view line) {
  BoundedJson parsed = parseJsonBounded(line, kMaxDepth, kMaxLine);
  if (!parsed.ok() || !parsed.value->is_object() || !parsed.value->contains("event") ||
      !(*parsed.value)["event"].is_string()) {
    logWarningf("web view: a line of %zu bytes from the helper is not a report; ignored", line.size());
    return std::nullopt;
  }
  return std::move(parsed.value);
}

}  // namespace vl
