#include "startup/DataFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Folders made by earlier versions were readable by every user of the machine. Only our own real
// folders are changed: a link the user set up points at a folder that is theirs to decide about.
void tighten(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return;
  if ((st.st_mode & 07777) == files::kPrivateFolderMode) return;
  if (::chmod(path.c_str(), files::kPrivateFolderMode) == 0) {
    logWarningf("start-up: %s was open to other users (mode %03o); now 700", path.c_str(), st.st_mode & 0777);
  } else {
    logErrorf("start-up: cannot make %s private: %s", path.c_str(), std::strerror(errno));
  }
}

}  // namespace

std::string DataFolders::pathOf(const std::string& home, const char* relative) {
  return files::joinPath(home, relative);
}

bool DataFolders::prepare(const std::string& home) {
  tighten(pathOf(home, kRootRelativePath));
  for (const char* relative : kRelativePaths) {
    const std::string path = pathOf(home, relative);
    errno = 0;
    const bool created = files::createDirectories(path, files::kPrivateFolderMode);
    // An existing folder may still refuse writes (a read-only home, a folder of another user).
    if (created && ::access(path.c_str(), W_OK | X_OK) == 0) {
      tighten(path);
      continue;
    }
    const int error = errno != 0 ? errno : EACCES;
    logErrorf(
        "start-up: the home folder %s cannot hold %s (%s); records and files of this run may not be "
        "saved",
        home.c_str(), relative, std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace vl
