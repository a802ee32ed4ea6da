#include "sync/transfer/ReceivedImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "sync/transfer/FileTransferEntity.h"

namespace vl {

namespace {

constexpr int kMaxNumberedTries = 1000;

std::string numberedName(const std::string& name, int n) {
  const std::string extension = files::pathExtension(name);
  const std::string stem = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
  return stem + "-" + std::to_string(n) + (extension.empty() ? "" : "." + extension);
}

// Copied in blocks: an image copied out of its unnamed file is never held in memory whole.
constexpr std::size_t kCopyBlockBytes = std::size_t{1} << 20;

std::mutex& descriptorFolderMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& descriptorFolderSetting() {
  static std::string folder;
  return folder;
}

std::string descriptorFolder() {
  std::lock_guard<std::mutex> lock(descriptorFolderMutex());
  return descriptorFolderSetting().empty() ? std::string("/proc/self/fd") : descriptorFolderSetting();
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
  return claimAndFill(folder, name, [&](const std::string& path) {
    return files::atomicWrite(path, blocks, files::kPrivateFileMode);
  });
}

std::optional<std::string> ReceivedImageFile::claimAndFill(
    const std::string& folder, const std::string& name,
    const std::function<bool(const std::string& path)>& fill) {
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
    if (!fill(path)) {
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
  // Readable too, so that where it cannot be linked into place its bytes can still be copied out.
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, files::kPrivateFileMode);
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
  const std::string self = files::joinPath(descriptorFolder(), std::to_string(fd));
  for (int n = 1; n <= kMaxNumberedTries; ++n) {
    const std::string path = files::joinPath(folder, n == 1 ? name : numberedName(name, n));
    // A name that is there, even a link that leads nowhere, is never replaced.
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      if (!files::syncFolder(folder)) logErrorf("sync transfer: the forever folder could not be synced");
      return path;
    }
    if (errno == EEXIST) continue;
    // Without /proc (a container, a chroot) or where the link is refused, the bytes are still there to
    // copy: the image is not thrown away.
    const int error = errno;
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) {
      logWarningf(
          "sync transfer: a received image cannot be linked into the forever folder (%s); "
          "received images are copied there instead",
          std::strerror(error));
    } else {
      logDebugf("sync transfer: a received image is copied, not linked (%s)", std::strerror(error));
    }
    return copyOut(folder, name, fd);
  }
  logErrorf("sync transfer: no free name for a received image after %d tries", kMaxNumberedTries);
  return std::nullopt;
}

std::optional<std::string> ReceivedImageFile::copyOut(const std::string& folder, const std::string& name,
                                                      int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    logErrorf("sync transfer: a received image cannot be copied: %s", std::strerror(errno));
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<std::uint64_t>(st.st_size) > FileTransferEntity::kMaxBytes) {
    logErrorf("sync transfer: a received image cannot be copied (%lld bytes, at most %zu)",
              static_cast<long long>(st.st_size), FileTransferEntity::kMaxBytes);
    return std::nullopt;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  return claimAndFill(folder, name, [&](const std::string& path) {
    return files::atomicWriteWith(path, files::kPrivateFileMode, [&](int out) {
      // Read from the start whatever the descriptor's offset, and exactly the size seen: a file that
      // turns out shorter fails the copy instead of storing part of an image.
      std::vector<char> buffer(kCopyBlockBytes);
      for (std::uint64_t at = 0; at < size;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - at));
        const ssize_t got = ::pread(fd, buffer.data(), want, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
          if (got == 0) errno = EIO;
          return false;
        }
        if (!files::writeAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(got))))
          return false;
        at += static_cast<std::uint64_t>(got);
      }
      return true;
    });
  });
}

void ReceivedImageFile::setDescriptorFolderForTesting(const std::string& folder) {
  std::lock_guard<std::mutex> lock(descriptorFolderMutex());
  descriptorFolderSetting() = folder;
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
