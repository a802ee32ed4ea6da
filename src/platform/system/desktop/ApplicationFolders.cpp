#include "platform/system/desktop/ApplicationFolders.h"

#include <sys/stat.h>

#include <cstdlib>
#include <set>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr std::string_view kSuffix = ".desktop";
// Application folders nest one or two levels in practice; the limit only guards against odd trees.
constexpr int kMaxDepth = 8;

std::string environment(const char* name) { return environmentValue(name); }

bool isSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

void walkFolder(const std::string& folder, const std::string& idPrefix, int depth,
                const ApplicationFolders::Visitor& visit, const ApplicationFolders::FolderProblem& problem,
                std::set<std::string>& takenIds) {
  files::DirectoryListing listing = files::listDirectory(folder, /*includeHidden=*/false);
  if (listing.status == files::ListStatus::Missing || listing.status == files::ListStatus::NotDirectory)
    return;
  if (!listing.ok()) {
    if (problem) problem(folder, "the folder cannot be listed (" + listing.error + ")");
    return;
  }
  for (const std::string& name : listing.names) {
    std::string path = files::joinPath(folder, name);
    if (files::isDirectory(path)) {
      // A linked folder could lead back up the tree; real layouts do not link folders in here.
      if (depth < kMaxDepth && !isSymbolicLink(path)) {
        walkFolder(path, idPrefix + name + "-", depth + 1, visit, problem, takenIds);
      }
      continue;
    }
    if (!endsWith(name, kSuffix)) continue;
    ApplicationFolders::Entry entry;
    entry.id = idPrefix + name.substr(0, name.size() - kSuffix.size());
    if (takenIds.count(entry.id)) continue;
    entry.path = std::move(path);
    entry.file = DesktopEntryFile::read(entry.path, &entry.error);
    if (visit(entry)) takenIds.insert(entry.id);
  }
}

}  // namespace

std::vector<std::string> ApplicationFolders::splitPathList(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(':', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::vector<std::string> ApplicationFolders::standard() {
  std::vector<std::string> bases;
  std::string dataHome = environment("XDG_DATA_HOME");
  bases.push_back(!dataHome.empty() && dataHome.front() == '/'
                      ? dataHome
                      : files::joinPath(files::homeDirectory(), ".local/share"));
  std::vector<std::string> dirs = splitPathList(environment("XDG_DATA_DIRS"));
  bool anyAbsolute = false;
  for (const std::string& dir : dirs) anyAbsolute = anyAbsolute || dir.front() == '/';
  if (!anyAbsolute) dirs = {"/usr/local/share", "/usr/share"};
  for (const std::string& dir : dirs) {
    if (dir.front() == '/') bases.push_back(dir);
  }
  std::vector<std::string> folders;
  for (const std::string& base : bases) {
    std::string folder = files::joinPath(base, "applications");
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    bool repeated = false;
    for (const std::string& known : folders) repeated = repeated || known == folder;
    if (!repeated) folders.push_back(folder);
  }
  return folders;
}

void ApplicationFolders::walk(const std::vector<std::string>& folders, const Visitor& visit,
                              const FolderProblem& problem) {
  std::set<std::string> takenIds;
  for (const std::string& folder : folders) walkFolder(folder, "", 0, visit, problem, takenIds);
}

}  // namespace vl
