#include "platform/system/DesktopEntryIndex.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>

#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

std::string asciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return !a.empty() && asciiLower(a) == asciiLower(b);
}

// The escapes of string values: \s \n \t \r and a doubled backslash.
std::string unescapeValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out.push_back(value[i]);
      continue;
    }
    switch (value[++i]) {
      case 's':
        out.push_back(' ');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case '\\':
        out.push_back('\\');
        break;
      default:
        out.push_back('\\');
        out.push_back(value[i]);
    }
  }
  return out;
}

std::string programOf(const DesktopEntry& entry) {
  auto args = DesktopEntryIndex::argumentsOfExec(entry.exec);
  std::size_t i = 0;
  // "env NAME=value program" starts the program.
  if (i < args.size() && files::lastPathComponent(args[i]) == "env") {
    ++i;
    while (i < args.size() && args[i].find('=') != std::string::npos) ++i;
  }
  return i < args.size() ? files::lastPathComponent(args[i]) : std::string();
}

}  // namespace

std::vector<std::string> DesktopEntryIndex::standardApplicationFolders() {
  std::vector<std::string> folders;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  folders.push_back(files::joinPath(
      dataHome && *dataHome ? std::string(dataHome) : files::joinPath(files::homeDirectory(), ".local/share"),
      "applications"));
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  std::string dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start) folders.push_back(files::joinPath(dirs.substr(start, end - start), "applications"));
    start = end + 1;
  }
  return folders;
}

DesktopEntryIndex::DesktopEntryIndex(std::vector<std::string> folders) : folders_(std::move(folders)) {}

std::optional<DesktopEntry> DesktopEntryIndex::parse(std::string_view text, bool* hidden) {
  if (hidden) *hidden = false;
  DesktopEntry entry;
  bool inGroup = false, sawGroup = false;
  std::string type;
  for (const auto& rawLine : splitLines(text)) {
    const std::string line = trimWhitespace(rawLine);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inGroup = line == "[Desktop Entry]";
      sawGroup = sawGroup || inGroup;
      continue;
    }
    if (!inGroup) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    // Localised keys ("Name[de]") carry a bracket and are of no use for matching.
    const std::string key = trimWhitespace(line.substr(0, eq));
    const std::string value = unescapeValue(trimWhitespace(line.substr(eq + 1)));
    if (key == "Type")
      type = value;
    else if (key == "Name")
      entry.name = value;
    else if (key == "Exec")
      entry.exec = value;
    else if (key == "TryExec")
      entry.tryExec = value;
    else if (key == "StartupWMClass")
      entry.startupWMClass = value;
    else if (key == "Hidden" && value == "true" && hidden)
      *hidden = true;
  }
  if (!sawGroup || (!type.empty() && type != "Application")) return std::nullopt;
  return entry;
}

std::vector<std::string> DesktopEntryIndex::argumentsOfExec(std::string_view exec) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false, quoted = false, fieldCode = false;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted) {
      if (c == '\\' && i + 1 < exec.size()) {
        current.push_back(exec[++i]);
      } else if (c == '"') {
        quoted = false;
      } else {
        current.push_back(c);
      }
      continue;
    }
    if (c == ' ' || c == '\t') {
      if (inArg && !(fieldCode && current.empty())) args.push_back(current);
      current.clear();
      inArg = fieldCode = false;
      continue;
    }
    inArg = true;
    if (c == '"') {
      quoted = true;
    } else if (c == '%' && i + 1 < exec.size()) {
      const char code = exec[++i];
      if (code == '%') {
        current.push_back('%');
      } else {
        fieldCode = true;  // a file, URL, icon or name to fill in: none are passed
      }
    } else {
      current.push_back(c);
    }
  }
  if (inArg && !(fieldCode && current.empty())) args.push_back(current);
  return args;
}

void DesktopEntryIndex::scanFolder(const std::string& folder, const std::string& prefix, int depth,
                                   std::set<std::string>* seen, std::vector<DesktopEntry>* out) {
  auto listing = files::listDirectory(folder, false);
  if (!listing.ok()) return;
  for (const auto& name : listing.names) {
    const std::string path = files::joinPath(folder, name);
    if (endsWith(name, ".desktop") && name.size() > 8) {
      const std::string id = prefix + name.substr(0, name.size() - 8);
      if (seen->count(id)) continue;  // an earlier folder decided this id
      auto text = files::readFile(path);
      if (!text) continue;
      bool hidden = false;
      auto entry = parse(*text, &hidden);
      if (!entry && !hidden) continue;
      seen->insert(id);
      if (hidden) continue;
      entry->id = id;
      entry->path = path;
      out->push_back(std::move(*entry));
    } else if (depth < 2 && files::isDirectory(path)) {
      // Entries in sub-folders have the folder in their id: "kde/app.desktop" is "kde-app".
      scanFolder(path, prefix + name + "-", depth + 1, seen, out);
    }
  }
}

void DesktopEntryIndex::refreshLocked() {
  std::map<std::string, double> times;
  bool recent = false;
  for (const auto& folder : folders_) {
    times[folder] = files::modificationTime(folder).value_or(-1);
    // Time stamps are coarser than a burst of changes: a folder changed close to the last scan may
    // have changed again since without its time stamp moving.
    recent = recent || times[folder] > scannedAt_ - 1.0;
  }
  if (scanned_ && times == folderTimes_ && !recent) return;
  // Folder order, so the first match of a search is the entry the user sees.
  std::set<std::string> seen;
  entries_.clear();
  for (const auto& folder : folders_) scanFolder(folder, "", 0, &seen, &entries_);
  folderTimes_ = std::move(times);
  scanned_ = true;
  scannedAt_ = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::vector<DesktopEntry> DesktopEntryIndex::entries() {
  std::lock_guard lock(mutex_);
  refreshLocked();
  return entries_;
}

std::optional<DesktopEntry> DesktopEntryIndex::find(const std::string& wmInstance, const std::string& wmClass,
                                                    const std::string& executable) {
  std::lock_guard lock(mutex_);
  refreshLocked();
  for (const auto& e : entries_) {
    if (!e.startupWMClass.empty() && (e.startupWMClass == wmClass || e.startupWMClass == wmInstance))
      return e;
  }
  for (const auto& e : entries_) {
    if (sameIgnoringCase(e.id, wmClass) || sameIgnoringCase(e.id, wmInstance)) return e;
  }
  const std::string program = files::lastPathComponent(executable);
  if (program.empty()) return std::nullopt;
  for (const auto& e : entries_) {
    if (programOf(e) == program || (!e.tryExec.empty() && files::lastPathComponent(e.tryExec) == program)) {
      return e;
    }
  }
  return std::nullopt;
}

}  // namespace vl
