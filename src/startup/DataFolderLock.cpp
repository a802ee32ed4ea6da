#include "startup/DataFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "startup/DataFolders.h"

namespace vl {

DataFolderLock::~DataFolderLock() { release(); }

DataFolderLock::Result DataFolderLock::acquire(const std::string& home) {
  release();
  const std::string path = files::joinPath(home, kRelativePath);
  if (!files::createDirectories(DataFolders::pathOf(home, DataFolders::kRootRelativePath),
                                files::kPrivateFolderMode)) {
    logErrorf("start-up: no lock for %s: its folder cannot be made", path.c_str());
    return Result::Unavailable;
  }
  // Close-on-exec: an application launched from the history must not keep the lock after we quit.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, files::kPrivateFileMode);
  if (fd < 0) {
    logErrorf("start-up: cannot open the lock %s: %s", path.c_str(), std::strerror(errno));
    return Result::Unavailable;
  }
  ::fchmod(fd, files::kPrivateFileMode);
  int rc = 0;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return Result::HeldElsewhere;
    logErrorf("start-up: cannot lock %s: %s", path.c_str(), std::strerror(error));
    return Result::Unavailable;
  }
  fd_ = fd;
  return Result::Acquired;
}

void DataFolderLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

}  // namespace vl
