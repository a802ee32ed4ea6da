#include "launcher/DetachedLaunch.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "launcher/LauncherLog.h"

namespace vl::launcher {
namespace {

// Only async-signal-safe calls from here on: the caller may have threads (the tests do).
[[noreturn]] void failInChild(int reportFd) {
  int error = errno;
  ssize_t ignored = ::write(reportFd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

[[noreturn]] void becomeProgram(const char* path, int reportFd) {
  int devNull = ::open("/dev/null", O_RDWR);
  if (devNull < 0) failInChild(reportFd);
  for (int fd = 0; fd <= 2; ++fd) {
    if (::dup2(devNull, fd) < 0) failInChild(reportFd);
  }
  if (devNull > 2) ::close(devNull);
  // Keep no mounted folder busy for the life of the program.
  if (::chdir("/") != 0) failInChild(reportFd);
#ifdef SYS_close_range
  // Descriptors the desktop left open to us are not the program's business; marking them
  // close-on-exec keeps the report pipe working until exec. Old kernels refuse; that is harmless.
  ::syscall(SYS_close_range, 3u, ~0u, 4u /* CLOSE_RANGE_CLOEXEC */);
#endif
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  char* const argv[] = {const_cast<char*>(path), nullptr};
  ::execv(path, argv);
  failInChild(reportFd);
}

}  // namespace

bool launchDetached(const std::string& path) {
  // The write end is closed by a successful exec; an error number arriving on it means the start failed.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    logf("cannot start %s: pipe: %s", path.c_str(), strerror(errno));
    return false;
  }
  pid_t child = ::fork();
  if (child < 0) {
    logf("cannot start %s: fork: %s", path.c_str(), strerror(errno));
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    // Double fork: the program is not our child (nobody has to reap it when we quit) and, not being
    // a session leader, can never acquire a controlling terminal.
    if (::setsid() < 0) failInChild(report[1]);
    pid_t grandchild = ::fork();
    if (grandchild < 0) failInChild(report[1]);
    if (grandchild > 0) ::_exit(0);
    becomeProgram(path.c_str(), report[1]);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  if (got == static_cast<ssize_t>(sizeof error)) {
    logf("cannot start %s: %s", path.c_str(), strerror(error));
    return false;
  }
  if (got != 0) {
    logf("cannot tell whether %s started", path.c_str());
    return false;
  }
  return true;
}

}  // namespace vl::launcher
