// Stands in for the main program when the launcher is tested: it must be a real executable (not a
// script) so that /proc shows it under its own file name. On start it appends one line to "started"
// beside itself: its pid, whether it leads its session, and whether stdout is /dev/null. Then it
// waits to be killed, and gives up by itself after a minute so a failed test leaves nothing behind.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

int main() {
  char self[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return 1;
  std::string path(self, static_cast<std::size_t>(length));
  std::string marker = path.substr(0, path.rfind('/')) + "/started";

  struct stat out {};
  struct stat devNull {};
  bool quiet = ::fstat(1, &out) == 0 && ::stat("/dev/null", &devNull) == 0 &&
               out.st_rdev == devNull.st_rdev && S_ISCHR(out.st_mode);
  char line[128];
  int size = std::snprintf(line, sizeof line, "%ld %d %d\n", static_cast<long>(::getpid()),
                           ::getsid(0) == ::getpid() ? 1 : 0, quiet ? 1 : 0);
  int fd = ::open(marker.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return 1;
  ssize_t written = ::write(fd, line, static_cast<std::size_t>(size));
  ::close(fd);
  if (written != size) return 1;
  for (int i = 0; i < 60; ++i) ::sleep(1);
  return 0;
}
