#include "platform/system/desktop/DesktopEntryIndex.h"

#include <chrono>

#include "platform/foundation/Files.h"
#include "platform/system/desktop/ApplicationFolders.h"

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

// What a window can be named by: any entry with a [Desktop Entry] group that does not say it is
// something other than an application.
std::optional<DesktopEntry> usableEntry(const DesktopEntryFile& file, bool* hidden) {
  if (hidden) *hidden = file.value("Hidden") == "true";
  const std::string type = file.value("Type");
  if (!file.hasMainGroup() || (!type.empty() && type != "Application")) return std::nullopt;
  return file.entry();
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

DesktopEntryIndex::DesktopEntryIndex(std::vector<std::string> folders) : folders_(std::move(folders)) {}

std::optional<DesktopEntry> DesktopEntryIndex::parse(std::string_view text, bool* hidden) {
  return usableEntry(DesktopEntryFile::parse(text), hidden);
}

namespace {

// `url`, when given, takes the place of the first file or URL field code, or goes last without one.
std::vector<std::string> execArguments(std::string_view exec, const std::string* url) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false, quoted = false, fieldCode = false, urlPlaced = false;
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
      } else if (url && !urlPlaced && std::string_view("uUfF").find(code) != std::string_view::npos) {
        current += *url;
        urlPlaced = true;
      } else {
        fieldCode = true;  // an icon, a name, a further file: none are passed
      }
    } else {
      current.push_back(c);
    }
  }
  if (inArg && !(fieldCode && current.empty())) args.push_back(current);
  if (url && !urlPlaced && !args.empty()) args.push_back(*url);
  return args;
}

}  // namespace

std::vector<std::string> DesktopEntryIndex::argumentsOfExec(std::string_view exec) {
  return execArguments(exec, nullptr);
}

std::vector<std::string> DesktopEntryIndex::argumentsOfExec(std::string_view exec, const std::string& url) {
  return execArguments(exec, &url);
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
  std::vector<DesktopEntry> entries;
  ApplicationFolders::walk(folders_, [&entries](const ApplicationFolders::Entry& found) {
    // An unreadable or broken file leaves its id to a later folder's entry.
    if (!found.file) return false;
    bool hidden = false;
    auto entry = usableEntry(*found.file, &hidden);
    if (entry && !hidden) {
      entry->id = found.id;
      entry->path = found.path;
      entries.push_back(std::move(*entry));
    }
    return entry || hidden;
  });
  entries_ = std::move(entries);
  folderTimes_ = std::move(times);
  scanned_ = true;
  scannedAt_ = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::vector<DesktopEntry> DesktopEntryIndex::entries() {
  MutexLock lock(mutex_);
  refreshLocked();
  return entries_;
}

std::optional<DesktopEntry> DesktopEntryIndex::find(const std::string& wmInstance, const std::string& wmClass,
                                                    const std::string& executable) {
  MutexLock lock(mutex_);
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
