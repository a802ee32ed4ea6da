#include "startup/DataFolders.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

std::string DataFolders::pathOf(const std::string& home, const char* relative) {
  return files::joinPath(home, relative);
}

bool DataFolders::prepare(const std::string& home) {
  for (const char* relative : kRelativePaths) {
    const std::string path = pathOf(home, relative);
    errno = 0;
    const bool created = files::createDirectories(path);
    // An existing folder may still refuse writes (a read-only home, a folder of another user).
    if (created && ::access(path.c_str(), W_OK | X_OK) == 0) continue;
    const int error = errno != 0 ? errno : EACCES;
    logf(
        "start-up: the home folder %s cannot hold %s (%s); records and files of this run may not be "
        "saved",
        home.c_str(), relative, std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace vl
