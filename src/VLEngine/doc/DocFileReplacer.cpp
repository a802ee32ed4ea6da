#include "VLEngine/doc/DocFileReplacer.h"

#include <unistd.h>

#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

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
      logf("doc: removed stale %s", path.c_str());
  }
}

void DocFileReplacer::keepDamagedCopy(const std::string& path) {
  auto size = files::fileSize(path);
  if (!size || *size == 0) return;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.0f", Clock::current().now());
  std::string copy = files::joinPath(files::deletingLastPathComponent(path),
                                     "damaged-" + files::lastPathComponent(path) + "-" + stamp);
  if (files::copyFile(path, copy, false, files::kPrivateFileMode)) {
    logf("doc: kept the damaged %s as %s", path.c_str(), copy.c_str());
  } else {
    logf("doc: cannot keep a copy of the damaged %s", path.c_str());
  }
}

void DocFileReplacer::setBeforeRenameHookForTesting(BeforeRenameHook newHook) {
  files::setAtomicWriteHookForTesting(std::move(newHook));
}

}  // namespace vl
