#include "platform/system/desktop/DesktopEntryFile.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr std::string_view kMainGroup = "Desktop Entry";

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

// The escapes of string values: \s \n \t \r and a doubled backslash.
std::string unescapeValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out.push_back(value[i]);
      continue;
    }
    const char escaped = value[++i];
    const std::size_t known = std::string_view("sntr\\").find(escaped);
    if (known == std::string_view::npos) out.push_back('\\');
    out.push_back(known == std::string_view::npos ? escaped : " \n\t\r\\"[known]);
  }
  return out;
}

}  // namespace

void DesktopEntryFile::noteFault(std::string fault) {
  if (fault_.empty()) fault_ = std::move(fault);
}

DesktopEntryFile DesktopEntryFile::parse(std::string_view text) {
  DesktopEntryFile file;
  if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  if (text.find('\0') != std::string_view::npos) {
    file.noteFault("it holds a zero byte");
    return file;
  }
  bool inMainGroup = false;
  bool sawGroup = false;
  std::size_t lineNumber = 0;
  auto atLine = [&lineNumber](const char* fault) { return "line " + std::to_string(lineNumber) + fault; };
  for (const std::string& rawLine : splitLines(text)) {
    ++lineNumber;
    std::string line = trimSpaces(rawLine);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) {
        file.noteFault(atLine(" is a broken group header"));
        inMainGroup = false;
        continue;
      }
      std::string group = line.substr(1, line.size() - 2);
      if (!sawGroup && group != kMainGroup) file.noteFault("the first group is not [Desktop Entry]");
      if (group == kMainGroup && file.hasMainGroup_) file.noteFault("[Desktop Entry] appears twice");
      sawGroup = true;
      inMainGroup = group == kMainGroup;
      file.hasMainGroup_ = file.hasMainGroup_ || inMainGroup;
      continue;
    }
    if (!sawGroup) {
      file.noteFault(atLine(" comes before [Desktop Entry]"));
      continue;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      file.noteFault(atLine(" is not key=value"));
      continue;
    }
    std::string key = trimSpaces(std::string_view(line).substr(0, equals));
    if (!isValidKey(key)) {
      file.noteFault(atLine(" has a bad key"));
      continue;
    }
    if (inMainGroup)
      file.keys_.emplace(key, unescapeValue(trimSpaces(std::string_view(line).substr(equals + 1))));
  }
  if (!file.hasMainGroup_) file.noteFault("there is no [Desktop Entry] group");
  return file;
}

std::optional<DesktopEntryFile> DesktopEntryFile::read(const std::string& path, std::string* error) {
  std::optional<std::uint64_t> size = files::fileSize(path);
  if (!size || !files::isRegularFile(path)) {
    *error = "it is not a readable file";
    return std::nullopt;
  }
  if (*size > kMaxSize) {
    *error = "it is larger than " + std::to_string(kMaxSize) + " bytes";
    return std::nullopt;
  }
  std::optional<std::string> text = files::readFile(path);
  if (!text) {
    *error = "it cannot be read";
    return std::nullopt;
  }
  return parse(*text);
}

std::string DesktopEntryFile::value(std::string_view key) const {
  auto it = keys_.find(key);
  return it == keys_.end() ? std::string() : it->second;
}

DesktopEntryFile::Verdict DesktopEntryFile::verdict(std::string* reason) const {
  auto malformed = [reason](const std::string& why) {
    if (reason) *reason = why;
    return Verdict::Malformed;
  };
  if (!fault_.empty()) return malformed(fault_);
  // A user's file that only says Hidden=true deletes the system's entry; it needs no other key.
  if (value("Hidden") == "true") return Verdict::Hidden;
  if (!has("Type")) return malformed("it has no Type");
  if (value("Name").empty()) return malformed("it has no Name");
  if (value("Type") != "Application") return Verdict::NotApplication;
  if (value("NoDisplay") == "true") return Verdict::NoDisplay;
  if (value("Exec").empty() && value("DBusActivatable") != "true") return malformed("it has no Exec");
  return Verdict::Application;
}

DesktopEntry DesktopEntryFile::entry() const {
  DesktopEntry entry;
  entry.name = value("Name");
  entry.exec = value("Exec");
  entry.tryExec = value("TryExec");
  entry.startupWMClass = value("StartupWMClass");
  return entry;
}

}  // namespace vl
