#include "VLEngine/DocFileReplacer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/foundation/Crypto.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr std::string_view kTemporarySuffix = ".partial";

std::mutex& hookMutex() {
  static std::mutex m;
  return m;
}

DocFileReplacer::BeforeRenameHook& hook() {
  static DocFileReplacer::BeforeRenameHook h;
  return h;
}

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void syncFolder(const std::string& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool DocFileReplacer::isTemporaryName(std::string_view name) {
  return startsWith(name, ".") && endsWith(name, kTemporarySuffix);
}

bool DocFileReplacer::replace(const std::string& path, std::string_view data) {
  const std::string folder = files::deletingLastPathComponent(path);
  const std::string temporary =
      files::joinPath(folder, "." + files::lastPathComponent(path) + "-" + hexString(randomBytes(6)) +
                                  std::string(kTemporarySuffix));
  // Clipboard history is private to its user.
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    logf("doc: cannot create %s: %s", temporary.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
  const int writeErrno = errno;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    logf("doc: cannot write %s: %s", temporary.c_str(), std::strerror(writeErrno));
    ::unlink(temporary.c_str());
    return false;
  }
  BeforeRenameHook check;
  {
    std::lock_guard<std::mutex> lock(hookMutex());
    check = hook();
  }
  if (check && !check(temporary, path)) return false;
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    logf("doc: cannot rename %s to %s: %s", temporary.c_str(), path.c_str(), std::strerror(errno));
    ::unlink(temporary.c_str());
    return false;
  }
  syncFolder(folder);
  return true;
}

void DocFileReplacer::removeStaleTemporaries(const std::string& folder) {
  files::DirectoryListing listing = files::listDirectory(folder);
  for (const std::string& name : listing.names) {
    if (!isTemporaryName(name)) continue;
    std::string path = files::joinPath(folder, name);
    if (files::isRegularFile(path) && ::unlink(path.c_str()) == 0)
      logf("doc: removed stale %s", path.c_str());
  }
}

void DocFileReplacer::setBeforeRenameHookForTesting(BeforeRenameHook newHook) {
  std::lock_guard<std::mutex> lock(hookMutex());
  hook() = std::move(newHook);
}

}  // namespace vl
