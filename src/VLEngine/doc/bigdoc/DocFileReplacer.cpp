#include "VLEngine/doc/bigdoc/DocFileReplacer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Copies of one file kept within the same second (a program started again at once).
constexpr int kMaxCopiesPerSecond = 100;
constexpr std::uint64_t kMaxCopiedBytes = std::uint64_t{1} << 30;

}  // namespace

bool DocFileReplacer::isTemporaryName(std::string_view name) {
  return files::isAtomicWriteTemporaryName(name);
}

bool DocFileReplacer::replace(const std::string& path, std::string_view data) {
  // Clipboard history is private to its user.
  return files::atomicWrite(path, data, 0600);
}

void DocFileReplacer::removeStaleTemporaries(const std::string& folder) {
  files::DirectoryListing listing = files::listDirectory(folder);
  for (const std::string& name : listing.names) {
    if (!isTemporaryName(name)) continue;
    std::string path = files::joinPath(folder, name);
    if (files::isRegularFile(path) && ::unlink(path.c_str()) == 0)
      logWarningf("doc: removed stale %s", path.c_str());
  }
}

void DocFileReplacer::keepDamagedCopy(const std::string& path) {
  auto size = files::fileSize(path);
  if (!size || *size == 0) return;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.0f", Clock::current().now());
  const std::string folder = files::deletingLastPathComponent(path);
  const std::string base = files::joinPath(folder, "damaged-" + files::lastPathComponent(path) + "-" + stamp);
  std::string copy = base;
  // A second name for the same bytes: made at once whatever the file's size (a sparse file of gigabytes
  // is never written out), and what later replaces or removes the file leaves them under this name.
  for (int n = 1; n <= kMaxCopiesPerSecond; ++n) {
    if (::link(path.c_str(), copy.c_str()) == 0) {
      (void)files::syncFolder(folder);  // best effort: the copy matters only as long as the file it keeps
      logWarningf("doc: kept the damaged %s as %s", path.c_str(), copy.c_str());
      return;
    }
    if (errno != EEXIST) break;
    copy = base + "-" + std::to_string(n);
  }
  // A file system without hard links: the bytes themselves, when they are few enough to copy.
  if (*size <= kMaxCopiedBytes && files::copyFile(path, copy, false, files::kPrivateFileMode)) {
    logWarningf("doc: kept the damaged %s as %s", path.c_str(), copy.c_str());
  } else {
    logErrorf("doc: cannot keep a copy of the damaged %s", path.c_str());
  }
}

void DocFileReplacer::setBeforeRenameHookForTesting(BeforeRenameHook newHook) {
  files::setAtomicWriteHookForTesting(std::move(newHook));
}

}  // namespace vl
