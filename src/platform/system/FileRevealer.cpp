#include "platform/system/FileRevealer.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/desktop/Workspace.h"

namespace vl {

std::shared_ptr<FileRevealer> FileRevealer::shared() {
  return InstalledBackend<FileRevealer, FileRevealer>::get();
}

void FileRevealer::install(std::shared_ptr<FileRevealer> backend) {
  InstalledBackend<FileRevealer, FileRevealer>::install(std::move(backend));
}

void FileRevealer::reveal(const std::string& path, Shown shown) {
  const bool opened = openContainingFolder(path);
  if (!opened) logWarning("reveal: no file manager, and the folder of a file cannot be opened");
  if (shown) shown(opened);
}

bool FileRevealer::openContainingFolder(const std::string& path) {
  const std::string folder = files::deletingLastPathComponent(path);
  if (folder.empty() || folder.front() != '/') return false;
  return Workspace::shared()->openURL(fileUrlFromPath(folder));
}

}  // namespace vl
