#include "core/DesktopEntryQuery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Text.h"
#include "platform/system/Workspace.h"

namespace vl {
namespace {

constexpr std::string_view kSuffix = ".desktop";
// Desktop entries are a few kilobytes; anything this large is not one, and is not read into memory.
constexpr std::uint64_t kMaxEntrySize = 1 << 20;
// Application folders nest one or two levels in practice; the limit only guards against odd trees.
constexpr int kMaxDepth = 8;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::string> splitColons(const std::string& text) {
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

std::string trimSpaces(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(begin, end - begin + 1));
}

// "Name", "Name[de_DE@euro]". Real entries carry vendor keys of every spelling, so only what cannot be
// a key is refused: nothing before "=", or brackets that do not close a locale at the end.
bool isValidKey(std::string_view key) {
  std::size_t bracket = key.find_first_of("[]");
  if (bracket == 0 || key.empty()) return false;
  if (bracket == std::string_view::npos) return true;
  return key[bracket] == '[' && key.size() > bracket + 2 && key.back() == ']' &&
         key.find_first_of("[]", bracket + 1) == key.size() - 1;
}

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool isSymbolicLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

std::vector<std::string> DesktopEntryQuery::applicationFolders() {
  std::vector<std::string> bases;
  std::string dataHome = environment("XDG_DATA_HOME");
  bases.push_back(!dataHome.empty() && dataHome.front() == '/'
                      ? dataHome
                      : files::joinPath(files::homeDirectory(), ".local/share"));
  std::string dataDirs = environment("XDG_DATA_DIRS");
  std::vector<std::string> dirs = splitColons(dataDirs);
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

DesktopEntryQuery::Check DesktopEntryQuery::checkEntry(std::string_view text) {
  auto malformed = [](std::string reason) { return Check{Verdict::Malformed, std::move(reason), {}}; };
  if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  if (text.find('\0') != std::string_view::npos) return malformed("it holds a zero byte");

  std::map<std::string, std::string> keys;  // of the [Desktop Entry] group; the first of a repeated key wins
  bool inMainGroup = false;
  bool sawGroup = false;
  bool sawMainGroup = false;
  std::size_t lineNumber = 0;
  for (const std::string& rawLine : splitLines(text)) {
    ++lineNumber;
    std::string line = trimSpaces(rawLine);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) {
        return malformed("line " + std::to_string(lineNumber) + " is a broken group header");
      }
      std::string group = line.substr(1, line.size() - 2);
      if (!sawGroup && group != "Desktop Entry") return malformed("the first group is not [Desktop Entry]");
      if (group == "Desktop Entry" && sawMainGroup) return malformed("[Desktop Entry] appears twice");
      sawGroup = true;
      inMainGroup = group == "Desktop Entry";
      sawMainGroup = sawMainGroup || inMainGroup;
      continue;
    }
    if (!sawGroup) return malformed("line " + std::to_string(lineNumber) + " comes before [Desktop Entry]");
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      return malformed("line " + std::to_string(lineNumber) + " is not key=value");
    }
    std::string key = trimSpaces(std::string_view(line).substr(0, equals));
    if (!isValidKey(key)) return malformed("line " + std::to_string(lineNumber) + " has a bad key");
    if (inMainGroup) keys.emplace(key, trimSpaces(std::string_view(line).substr(equals + 1)));
  }
  if (!sawMainGroup) return malformed("there is no [Desktop Entry] group");

  auto value = [&keys](const char* key) {
    auto it = keys.find(key);
    return it == keys.end() ? std::string() : it->second;
  };
  // A user's file that only says Hidden=true deletes the system's entry; it needs no other key.
  if (value("Hidden") == "true") return Check{Verdict::Hidden, {}, {}};
  if (!keys.count("Type")) return malformed("it has no Type");
  if (value("Name").empty()) return malformed("it has no Name");
  if (value("Type") != "Application") return Check{Verdict::NotApplication, {}, {}};
  if (value("NoDisplay") == "true") return Check{Verdict::NoDisplay, {}, {}};
  if (value("Exec").empty() && value("DBusActivatable") != "true") return malformed("it has no Exec");
  return Check{Verdict::Application, {}, value("TryExec")};
}

bool DesktopEntryQuery::programExists(const std::string& program, const std::string& searchPath) {
  if (program.empty()) return false;
  if (program.find('/') != std::string::npos) return program.front() == '/' && isExecutableFile(program);
  for (const std::string& dir : splitColons(searchPath)) {
    if (isExecutableFile(files::joinPath(dir, program))) return true;
  }
  return false;
}

std::shared_ptr<DesktopEntryQuery> DesktopEntryQuery::create() {
  return std::shared_ptr<DesktopEntryQuery>(new DesktopEntryQuery());
}

void DesktopEntryQuery::reportOnce(const std::string& path, const std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!reported_.insert(path + '\n' + reason).second) return;
  }
  logf("AppInstalledManager: skipped desktop entry %s: %s", path.c_str(), reason.c_str());
}

void DesktopEntryQuery::walk(const std::string& folder, const std::string& idPrefix, int depth,
                             const std::string& searchPath, std::set<std::string>& seenIds,
                             std::vector<DesktopEntryItem>& items) {
  files::DirectoryListing listing = files::listDirectory(folder, /*includeHidden=*/false);
  if (listing.status == files::ListStatus::Missing || listing.status == files::ListStatus::NotDirectory)
    return;
  if (!listing.ok()) {
    reportOnce(folder, "the folder cannot be listed (" + listing.error + ")");
    return;
  }
  for (const std::string& name : listing.names) {
    std::string path = files::joinPath(folder, name);
    if (files::isDirectory(path)) {
      // A linked folder could lead back up the tree; real layouts do not link folders in here.
      if (depth < kMaxDepth && !isSymbolicLink(path)) {
        walk(path, idPrefix + name + "-", depth + 1, searchPath, seenIds, items);
      }
      continue;
    }
    if (!endsWith(name, kSuffix)) continue;
    // The first folder that has an entry id owns it, whatever the entry says.
    if (!seenIds.insert(idPrefix + name).second) continue;

    std::optional<std::uint64_t> size = files::fileSize(path);
    if (!size || !files::isRegularFile(path)) {
      reportOnce(path, "it is not a readable file");
      continue;
    }
    if (*size > kMaxEntrySize) {
      reportOnce(path, "it is larger than " + std::to_string(kMaxEntrySize) + " bytes");
      continue;
    }
    std::optional<std::string> text = files::readFile(path);
    if (!text) {
      reportOnce(path, "it cannot be read");
      continue;
    }
    Check check = checkEntry(*text);
    if (check.verdict == Verdict::Malformed) {
      reportOnce(path, check.reason);
      continue;
    }
    if (check.verdict != Verdict::Application) continue;
    // TryExec names the program a package installs; without it the entry is a leftover.
    if (!check.tryExec.empty() && !programExists(check.tryExec, searchPath)) continue;
    items.push_back({RunningApplication::fromDesktopEntry(path).name, path});
  }
}

std::vector<DesktopEntryItem> DesktopEntryQuery::gather(const std::vector<std::string>& folders,
                                                        const std::string& searchPath) {
  std::vector<DesktopEntryItem> items;
  std::set<std::string> seenIds;
  for (const std::string& folder : folders) walk(folder, "", 0, searchPath, seenIds, items);
  return items;
}

bool DesktopEntryQuery::startQuery() {
  std::vector<std::string> folders = applicationFolders();
  std::string searchPath = environment("PATH");
  if (searchPath.empty()) searchPath = "/usr/local/bin:/usr/bin:/bin";
  std::uint64_t generation;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) return false;
    started_ = true;
    gathering_ = true;
    generation = ++generation_;
  }
  // Reading a few hundred files is no work for the main thread; only the report goes there.
  std::shared_ptr<DesktopEntryQuery> self = shared_from_this();
  dispatch::Queue::global()->async([self, folders, searchPath, generation] {
    std::vector<DesktopEntryItem> items = self->gather(folders, searchPath);
    dispatch::Queue::main()->async([self, generation, items = std::move(items)]() mutable {
      {
        std::lock_guard<std::mutex> lock(self->mutex_);
        if (generation != self->generation_ || !self->started_) return;
        self->results_ = std::move(items);
        self->gathering_ = false;
      }
      NotificationCenter::defaultCenter().post(kDidFinishGatheringNotification, self.get());
    });
  });
  return true;
}

void DesktopEntryQuery::stopQuery() {
  std::lock_guard<std::mutex> lock(mutex_);
  started_ = false;
  gathering_ = false;
  ++generation_;
}

bool DesktopEntryQuery::isStarted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

bool DesktopEntryQuery::isGathering() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return gathering_;
}

std::vector<DesktopEntryItem> DesktopEntryQuery::results() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return results_;
}

}  // namespace vl
