#include "platform/foundation/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <mutex>

#include "platform/foundation/Crypto.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"

namespace vl::files {

bool writeAll(int fd, std::string_view data) {
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      // Nothing went in and the kernel named no error: callers report errno, which must not be stale.
      errno = EIO;
      return false;
    }
    if (n < 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

namespace {

// Twelve hex digits for a temporary's name from the kernel (getrandom), not from the crypto library: a
// doc write may still be finishing while the process exits, after that library's exit handlers ran.
// Should the kernel refuse, the time and a counter keep the name unique within this process, and
// O_EXCL keeps it unique across processes.
std::string temporaryToken() {
  unsigned char bytes[6];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got < sizeof bytes) {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t mix = (static_cast<std::uint64_t>(::time(nullptr)) * 1000003u + counter.fetch_add(1)) ^
                        (static_cast<std::uint64_t>(::getpid()) << 24);
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(mix);
      mix = (mix >> 8) | (mix << 56);
    }
  }
  return hexString(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
}

void fsyncFolder(const std::string& folder) { (void)syncFolder(folder); }

}  // namespace

bool syncFolder(const std::string& folder) {
  int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  const bool ok = ::fsync(dfd) == 0;
  ::close(dfd);
  return ok;
}

std::string homeDirectory() {
  if (std::string home = environmentValue("HOME"); !home.empty()) return home;
  struct passwd pw;
  struct passwd* result = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir)
    return result->pw_dir;
  return "/";
}

int openRegularFile(const std::string& path, struct stat* info) {
  // Non-blocking, so that opening a FIFO never waits for a writer; the flag is dropped again once the
  // file is known to be a regular one, where it means nothing anyway.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (info) *info = st;
  return fd;
}

namespace {

// Up to `limit` bytes of an open file; nullopt on a read error, or when `refuseLonger` and the file
// holds more (it may have grown since its size was asked).
std::optional<std::string> readOpen(int fd, const struct stat& st, std::uint64_t limit, bool refuseLonger) {
  std::string out;
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(st.st_size, limit)));
  char buffer[65536];
  while (true) {
    const std::uint64_t room = limit - out.size() + (refuseLonger ? 1 : 0);
    if (room == 0) break;
    ssize_t n = ::read(fd, buffer, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, room)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
    if (out.size() > limit) return std::nullopt;
  }
  return out;
}

}  // namespace

std::optional<std::string> readFile(const std::string& path) {
  return readFile(path, std::numeric_limits<std::uint64_t>::max() - 1);
}

std::optional<std::string> readFile(const std::string& path, std::uint64_t maxBytes) {
  struct stat st;
  const int fd = openRegularFile(path, &st);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> out;
  if (static_cast<std::uint64_t>(st.st_size) <= maxBytes) out = readOpen(fd, st, maxBytes, true);
  ::close(fd);
  return out;
}

std::optional<std::string> readFileHead(const std::string& path, std::size_t bytes) {
  struct stat st;
  const int fd = openRegularFile(path, &st);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> out = readOpen(fd, st, bytes, false);
  ::close(fd);
  return out;
}

namespace {
constexpr std::string_view kTemporarySuffix = ".partial";

std::mutex& hookMutex() {
  static std::mutex m;
  return m;
}

AtomicWriteHook& beforeRenameHook() {
  static AtomicWriteHook hook;
  return hook;
}
}  // namespace

bool isAtomicWriteTemporaryName(std::string_view name) {
  return name.size() > kTemporarySuffix.size() + 1 && name.front() == '.' &&
         name.substr(name.size() - kTemporarySuffix.size()) == kTemporarySuffix;
}

void setAtomicWriteHookForTesting(AtomicWriteHook hook) {
  std::lock_guard<std::mutex> lock(hookMutex());
  beforeRenameHook() = std::move(hook);
}

bool atomicWriteWith(const std::string& path, mode_t mode, const std::function<bool(int fd)>& write) {
  std::string folder = deletingLastPathComponent(path);
  // A unique name per write, so two threads or processes writing the same file never share a temporary.
  std::string tmp = joinPath(
      folder, "." + lastPathComponent(path) + "-" + temporaryToken() + std::string(kTemporarySuffix));
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    logErrorf("files: cannot create %s: %s", tmp.c_str(), std::strerror(errno));
    return false;
  }
  // open() applies the umask; the caller's mode is what it asked for (0600 must not become 0644 either way).
  ::fchmod(fd, mode);
  bool ok = write(fd) && ::fsync(fd) == 0;
  int savedErrno = errno;
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    logErrorf("files: cannot write %s: %s", tmp.c_str(), std::strerror(savedErrno));
    ::unlink(tmp.c_str());
    return false;
  }
  AtomicWriteHook check;
  {
    std::lock_guard<std::mutex> lock(hookMutex());
    check = beforeRenameHook();
  }
  if (check && !check(tmp, path)) return false;
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    logErrorf("files: cannot rename %s to %s: %s", tmp.c_str(), path.c_str(), std::strerror(errno));
    ::unlink(tmp.c_str());
    return false;
  }
  fsyncFolder(folder);
  return true;
}

bool atomicWrite(const std::string& path, std::string_view data, mode_t mode) {
  return atomicWriteWith(path, mode, [&](int fd) { return writeAll(fd, data); });
}

bool atomicWrite(const std::string& path, const std::vector<std::string>& pieces, mode_t mode) {
  return atomicWriteWith(path, mode, [&](int fd) {
    return std::all_of(pieces.begin(), pieces.end(),
                       [fd](const std::string& piece) { return writeAll(fd, piece); });
  });
}

DirectoryListing listDirectory(const std::string& path, bool includeHidden) {
  DirectoryListing listing;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) {
    int err = errno;
    listing.error = std::strerror(err);
    switch (err) {
      case ENOENT:
        listing.status = ListStatus::Missing;
        break;
      case EACCES:
      case EPERM:
        listing.status = ListStatus::NoPermission;
        break;
      case ENOTDIR:
        listing.status = ListStatus::NotDirectory;
        break;
      default:
        listing.status = ListStatus::Error;
        break;
    }
    return listing;
  }
  errno = 0;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!includeHidden && name[0] == '.') continue;
    listing.names.push_back(std::move(name));
  }
  if (errno != 0) {
    listing.status = ListStatus::Error;
    listing.error = std::strerror(errno);
  }
  ::closedir(dir);
  std::sort(listing.names.begin(), listing.names.end());
  return listing;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool createDirectories(const std::string& path, mode_t mode) {
  if (path.empty()) return false;
  if (isDirectory(path)) return true;
  std::string parent = deletingLastPathComponent(path);
  if (!parent.empty() && parent != path && !isDirectory(parent) && !createDirectories(parent, mode))
    return false;
  if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
    logErrorf("files: cannot create folder %s: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  return isDirectory(path);
}

bool removeRecursive(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (S_ISDIR(st.st_mode)) {
    DirectoryListing listing = listDirectory(path);
    for (const std::string& name : listing.names) (void)removeRecursive(joinPath(path, name));  // rmdir tells
    if (::rmdir(path.c_str()) != 0) {
      logErrorf("files: cannot remove folder %s: %s", path.c_str(), std::strerror(errno));
      return false;
    }
    return true;
  }
  if (::unlink(path.c_str()) != 0) {
    logErrorf("files: cannot remove %s: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

bool copyFile(const std::string& from, const std::string& to, bool overwrite, std::optional<mode_t> mode) {
  if (!overwrite && exists(to)) return false;
  struct stat st;
  const int source = openRegularFile(from, &st);
  if (source < 0) return false;
  // Streamed in pieces: a copy never holds the file in memory, however large it is.
  const bool ok = atomicWriteWith(to, mode.value_or(st.st_mode & 07777), [&](int target) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(source, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      if (!writeAll(target, std::string_view(buffer, static_cast<std::size_t>(n)))) return false;
    }
  });
  ::close(source);
  return ok;
}

bool moveFile(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) {
    logErrorf("files: cannot move %s to %s: %s", from.c_str(), to.c_str(), std::strerror(errno));
    return false;
  }
  if (!isRegularFile(from)) return false;
  return copyFile(from, to, true) && ::unlink(from.c_str()) == 0;
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<double> modificationTime(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
}

std::string joinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  if (b.empty()) return std::string(a);
  std::string out(a);
  if (out.back() != '/' && b.front() != '/') out.push_back('/');
  if (out.back() == '/' && b.front() == '/') b.remove_prefix(1);
  out.append(b);
  return out;
}

std::string lastPathComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == "/") return "/";
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string deletingLastPathComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return "";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string pathExtension(std::string_view path) {
  std::string name = lastPathComponent(path);
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return "";
  return name.substr(dot + 1);
}

}  // namespace vl::files
