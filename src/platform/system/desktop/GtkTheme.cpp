#include "platform/system/desktop/GtkTheme.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// settings.ini is a few lines; anything longer is not one, and is not read past this.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r\"'");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\"'");
  return s.substr(b, e - b + 1);
}

struct SettingsIni {
  bool found = false;
  std::optional<bool> prefer;
  std::optional<bool> named;
};

SettingsIni fromSettingsIni(const std::string& path) {
  SettingsIni out;
  // Read on the main thread: a FIFO or a device named settings.ini must neither block the open nor feed
  // a read without end, so only a regular file of a bounded size is read.
  if (!files::exists(path)) return out;
  const std::optional<std::string> contents = files::readFile(path, kMaxSettingsBytes);
  if (!contents) {
    logWarningf("appearance: %s is not a regular file of at most %zu bytes; not read", path.c_str(),
                kMaxSettingsBytes);
    return out;
  }
  const std::string& text = *contents;
  bool inSettings = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      inSettings = lower(line) == "[settings]";
      continue;
    }
    const auto eq = line.find('=');
    if (!inSettings || eq == std::string::npos) continue;
    const std::string key = lower(trim(line.substr(0, eq)));
    const std::string value = trim(line.substr(eq + 1));
    if (key == "gtk-application-prefer-dark-theme") out.prefer = lower(value) == "true" || value == "1";
    if (key == "gtk-theme-name") out.named = gtkThemeNameIsDark(value);
  }
  out.found = out.prefer.has_value() || out.named.has_value();
  return out;
}

}  // namespace

bool gtkThemeNameIsDark(const std::string& name) {
  const std::string n = lower(name);
  auto endsWith = [&n](const std::string& tail) {
    return n.size() >= tail.size() && n.compare(n.size() - tail.size(), tail.size(), tail) == 0;
  };
  return endsWith("-dark") || endsWith(":dark");
}

std::optional<bool> gtkThemePrefersDark(const std::string& configHome,
                                        const std::optional<std::string>& liveThemeName) {
  if (const std::string theme = environmentValue("GTK_THEME"); !theme.empty())
    return gtkThemeNameIsDark(theme);
  std::string home = configHome;
  if (home.empty()) {
    const std::string xdg = environmentValue("XDG_CONFIG_HOME");
    home = !xdg.empty() ? xdg : files::homeDirectory() + "/.config";
  }
  SettingsIni file;
  for (const char* folder : {"/gtk-4.0/settings.ini", "/gtk-3.0/settings.ini"}) {
    file = fromSettingsIni(home + folder);
    if (file.found) break;
  }
  if (file.prefer && *file.prefer) return true;
  if (liveThemeName && !liveThemeName->empty()) return gtkThemeNameIsDark(*liveThemeName);
  if (file.named) return file.named;
  return file.prefer;
}

}  // namespace vl
