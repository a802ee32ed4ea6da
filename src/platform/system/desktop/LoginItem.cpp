#include "platform/system/desktop/LoginItem.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/DesktopEntryFile.h"

namespace vl {

namespace {

bool hasControlCharacter(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) return true;
  }
  return false;
}

// A string value of a desktop entry: a backslash is itself escaped.
std::string stringValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string LoginItem::autostartDirectory() {
  const std::string config = environmentValue("XDG_CONFIG_HOME");
  // The XDG rules ignore a relative value.
  std::string base =
      !config.empty() && config[0] == '/' ? config : files::joinPath(files::homeDirectory(), ".config");
  return files::joinPath(base, "autostart");
}

std::string LoginItem::entryPath(const std::string& identifier) {
  return files::joinPath(autostartDirectory(), identifier + ".desktop");
}

std::string LoginItem::execArgument(std::string_view argument) {
  // Quoted form first (inside double quotes these four need a backslash), then the string escape
  // doubles every backslash again; "%" would start a field code.
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return stringValue(quoted);
}

std::string LoginItem::entryText(const std::string& programPath, const std::string& name) {
  std::ostringstream out;
  out << "[Desktop Entry]\n"
      << "Type=Application\n"
      << "Name=" << stringValue(name.empty() ? files::lastPathComponent(programPath) : name) << "\n"
      << "Exec=" << execArgument(programPath) << "\n"
      << "Terminal=false\n"
      << "NoDisplay=true\n"
      << "X-GNOME-Autostart-enabled=true\n";
  return out.str();
}

bool LoginItem::setEnabled(const std::string& identifier, bool enabled, const std::string& programPath,
                           const std::string& name) {
  if (identifier.empty() || identifier.find('/') != std::string::npos || identifier[0] == '.') {
    logWarningf("login item: \"%s\" is no usable identifier", identifier.c_str());
    return false;
  }
  const std::string path = entryPath(identifier);
  if (!enabled) {
    if (!files::removeRecursive(path)) {
      logErrorf("login item: cannot remove %s", path.c_str());
      return false;
    }
    return true;
  }
  if (programPath.empty() || programPath[0] != '/' || !files::isRegularFile(programPath)) {
    logWarningf("login item: the program \"%s\" does not exist; login item not enabled", programPath.c_str());
    return false;
  }
  // A desktop entry is line based: a name or path with a line break cannot be written faithfully.
  if (hasControlCharacter(programPath) || hasControlCharacter(name)) {
    logWarning("login item: the program path or name holds a control character; login item not enabled");
    return false;
  }
  const std::string folder = autostartDirectory();
  if (!files::createDirectories(folder, 0700)) {
    logErrorf("login item: cannot create %s: %s", folder.c_str(), std::strerror(errno));
    return false;
  }
  if (!files::atomicWrite(path, entryText(programPath, name), 0644)) {
    logErrorf("login item: cannot write %s", path.c_str());
    return false;
  }
  return true;
}

bool LoginItem::isEnabled(const std::string& identifier) {
  std::optional<std::string> text = files::readFile(entryPath(identifier));
  if (!text) return false;
  const DesktopEntryFile entry = DesktopEntryFile::parse(*text);
  return entry.value("Hidden") != "true" && entry.value("X-GNOME-Autostart-enabled") != "false";
}

std::string LoginItem::runningProgramPath() {
  std::string buffer(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

}  // namespace vl
