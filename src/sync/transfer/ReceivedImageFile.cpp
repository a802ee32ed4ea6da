#include "sync/transfer/ReceivedImageFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

constexpr int kMaxNumberedTries = 1000;

std::string numberedName(const std::string& name, int n) {
  const std::string extension = files::pathExtension(name);
  const std::string stem = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
  return stem + "-" + std::to_string(n) + (extension.empty() ? "" : "." + extension);
}

}  // namespace

std::string ReceivedImageFile::fileNameFor(const std::string& senderPath, const std::string& sig) {
  const std::string decoded = percentDecode(files::lastPathComponent(senderPath));
  std::string name = files::lastPathComponent(decoded);
  // Room for a "-N" suffix, so a numbered name still fits.
  const bool unusable = name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
                        name.find('\0') != std::string::npos || name.size() > NAME_MAX - 8;
  return unusable ? sig + ".png" : name;
}

std::optional<std::string> ReceivedImageFile::write(const std::string& folder, const std::string& name,
                                                    const std::vector<std::string>& blocks) {
  if (folder.empty() || !files::createDirectories(folder)) {
    logWarningf("sync transfer: no forever folder for a received image");
    return std::nullopt;
  }
  for (int n = 1; n <= kMaxNumberedTries; ++n) {
    const std::string path = files::joinPath(folder, n == 1 ? name : numberedName(name, n));
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      logErrorf("sync transfer: cannot create an image in the forever folder: %s", std::strerror(errno));
      return std::nullopt;
    }
    ::close(fd);
    // The empty file holds the name; the bytes replace it whole, so no reader sees half an image.
    if (!files::atomicWrite(path, blocks, files::kPrivateFileMode)) {
      ::unlink(path.c_str());
      return std::nullopt;
    }
    return path;
  }
  logErrorf("sync transfer: no free name for a received image after %d tries", kMaxNumberedTries);
  return std::nullopt;
}

int ReceivedImageFile::openUnnamed(const std::string& folder) {
  if (folder.empty() || !files::createDirectories(folder)) return -1;
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, files::kPrivateFileMode);
  if (fd < 0) {
    logWarningf("sync transfer: no unnamed file in the forever folder (%s); images wait in memory",
                std::strerror(errno));
    return -1;
  }
  // The umask must not widen or narrow what the history's own files get.
  ::fchmod(fd, files::kPrivateFileMode);
  return fd;
}

std::optional<std::string> ReceivedImageFile::link(const std::string& folder, const std::string& name,
                                                   int fd) {
  if (::fsync(fd) != 0) {
    logErrorf("sync transfer: a received image could not be synced: %s", std::strerror(errno));
    return std::nullopt;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int n = 1; n <= kMaxNumberedTries; ++n) {
    const std::string path = files::joinPath(folder, n == 1 ? name : numberedName(name, n));
    // A name that is there, even a link that leads nowhere, is never replaced.
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      if (!files::syncFolder(folder)) logErrorf("sync transfer: the forever folder could not be synced");
      return path;
    }
    if (errno == EEXIST) continue;
    logErrorf("sync transfer: cannot name an image in the forever folder: %s", std::strerror(errno));
    return std::nullopt;
  }
  logErrorf("sync transfer: no free name for a received image after %d tries", kMaxNumberedTries);
  return std::nullopt;
}

std::string ReceivedImageFile::storedValue(const std::string& folder, const std::string& writtenName,
                                           const std::string& senderPath) {
  const std::string component = files::lastPathComponent(senderPath);
  if (percentDecode(component) == writtenName) return files::joinPath(folder, component);
  std::string escaped;
  for (char c : writtenName) escaped += c == '%' ? std::string("%25") : std::string(1, c);
  return files::joinPath(folder, escaped);
}

}  // namespace vl
