#include "platform/system/desktop/ThemeIconProvider.h"

#include <cmath>
#include <cstdlib>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/ContentTypeIcons.h"
#include "platform/system/desktop/DesktopEntryFile.h"
#include "platform/system/desktop/IconImage.h"
#include "platform/system/headless/HeadlessIconProvider.h"

namespace vl {

namespace {

constexpr std::size_t kMaxSettingsBytes = 64 * 1024;
constexpr const char* kGtkDefaultTheme = "Adwaita";

std::size_t bytesOf(const ui::ImageRef& image) { return image ? image->pixels().size() : 0; }

int pixelSide(double points) { return static_cast<int>(std::clamp(std::ceil(points), 1.0, 4096.0)); }

// "gtk-icon-theme-name" of the [Settings] group, "" when absent.
std::string iconThemeKey(std::string_view text) {
  bool inSettings = false;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
      line.remove_suffix(1);
    }
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      inSettings = line == "[Settings]";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!inSettings || eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
    if (key != "gtk-icon-theme-name") continue;
    std::string_view value = line.substr(eq + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return {};
}

}  // namespace

ThemeIconProvider::ThemeIconProvider()
    : ThemeIconProvider(IconThemeSearch::standardBaseDirectories(),
                        IconThemeSearch::standardFallbackDirectories()) {}

ThemeIconProvider::ThemeIconProvider(std::vector<std::string> baseDirectories,
                                     std::vector<std::string> fallbackDirectories)
    : search_(std::move(baseDirectories), std::move(fallbackDirectories)) {}

std::string ThemeIconProvider::themeNameFromGtkSettings() {
  std::vector<std::string> files;
  const std::string configHome = environmentValue("XDG_CONFIG_HOME");
  const std::string home =
      !configHome.empty() ? configHome : files::joinPath(files::homeDirectory(), ".config");
  files.push_back(files::joinPath(home, "gtk-4.0/settings.ini"));
  files.push_back(files::joinPath(home, "gtk-3.0/settings.ini"));
  files.push_back("/etc/xdg/gtk-3.0/settings.ini");
  files.push_back("/etc/gtk-3.0/settings.ini");
  for (const auto& file : files) {
    if (!files::exists(file)) continue;
    std::string error;
    auto text = icons::readSmallFile(file, kMaxSettingsBytes, &error);
    if (!text) {
      logWarningf("icons: %s cannot be read (%s)", file.c_str(), error.c_str());
      continue;
    }
    if (std::string name = iconThemeKey(*text); !name.empty()) return name;
  }
  return {};
}

std::string ThemeIconProvider::themeNameLocked() const {
  const std::string preferred = IconProvider::preferredThemeName();
  if (preferred != lastPreferred_) {
    // Another theme draws other pictures; nothing kept so far still holds.
    lastPreferred_ = preferred;
    lru_.clear();
    index_.clear();
    bytes_ = 0;
  }
  if (!preferred.empty()) return preferred;
  if (!gtkThemeRead_) {
    gtkTheme_ = themeNameFromGtkSettings();
    gtkThemeRead_ = true;
  }
  if (!gtkTheme_.empty()) return gtkTheme_;
  // Where nothing names a theme, GTK draws with its own default, which holds the icons of files;
  // "hicolor" holds only what applications install.
  return search_.hasTheme(kGtkDefaultTheme) ? kGtkDefaultTheme : "hicolor";
}

std::string ThemeIconProvider::currentThemeName() const {
  std::lock_guard lock(mutex_);
  return themeNameLocked();
}

ui::ImageRef ThemeIconProvider::cached(const std::string& key, bool* hit) const {
  auto it = index_.find(key);
  *hit = it != index_.end();
  if (!*hit) return nullptr;
  lru_.splice(lru_.begin(), lru_, it->second);
  return it->second->second;
}

void ThemeIconProvider::remember(const std::string& key, const ui::ImageRef& image) const {
  // A picture larger than the whole cache is handed out but not kept.
  if (bytesOf(image) > kCacheBytes) return;
  lru_.emplace_front(key, image);
  index_[key] = lru_.begin();
  bytes_ += bytesOf(image);
  while (lru_.size() > kCacheEntries || bytes_ > kCacheBytes) {
    bytes_ -= bytesOf(lru_.back().second);
    index_.erase(lru_.back().first);
    lru_.pop_back();
  }
}

ui::ImageRef ThemeIconProvider::firstFound(const std::vector<std::string>& names, double points,
                                           int scale) const {
  std::lock_guard lock(mutex_);
  const std::string theme = themeNameLocked();
  const int size = pixelSide(points);
  for (const auto& name : names) {
    const std::string key = theme + '\n' + name + '\n' + std::to_string(size) + '@' + std::to_string(scale);
    bool hit = false;
    ui::ImageRef image = cached(key, &hit);
    if (!hit) {
      const std::string file = search_.lookup(theme, name, size, scale);
      if (!file.empty()) image = icons::loadIconFile(file, points, scale);
      remember(key, image);
    }
    if (image) return image;
  }
  return nullptr;
}

ui::ImageRef ThemeIconProvider::iconForFile(const std::string& path, double points, int scale) const {
  std::vector<std::string> names = contenttype::iconNames(contenttype::guessForFile(path));
  names.emplace_back("text-x-generic");
  if (auto image = firstFound(names, points, scale)) return image;
  return HeadlessIconProvider().iconForFile(path, points, scale);
}

ui::ImageRef ThemeIconProvider::iconForApplication(const std::string& entryPath, double points,
                                                   int scale) const {
  // Rows ask again on every rebuild; the entry is read (and a broken one logged) once.
  const std::string key =
      "entry\n" + entryPath + '\n' + std::to_string(pixelSide(points)) + '@' + std::to_string(scale);
  {
    std::lock_guard lock(mutex_);
    themeNameLocked();  // a new theme empties the cache first
    bool hit = false;
    if (auto image = cached(key, &hit); hit) return image;
  }
  ui::ImageRef image = applicationIcon(entryPath, points, scale);
  std::lock_guard lock(mutex_);
  remember(key, image);
  return image;
}

ui::ImageRef ThemeIconProvider::applicationIcon(const std::string& entryPath, double points,
                                                int scale) const {
  std::string error;
  auto entry = DesktopEntryFile::read(entryPath, &error);
  std::string icon = entry ? entry->value("Icon") : std::string();
  if (!entry) logWarningf("icons: desktop entry %s: %s", entryPath.c_str(), error.c_str());
  if (!icon.empty() && icon.front() == '/') {
    if (auto image = icons::loadIconFile(icon, points, scale)) return image;
    icon.clear();
  }
  // Entries often name their icon with its file extension; the theme only knows the name.
  for (const char* extension : {".png", ".svg", ".xpm"}) {
    const std::string_view ext(extension);
    if (icon.size() > ext.size() && icon.compare(icon.size() - ext.size(), ext.size(), ext) == 0) {
      icon.resize(icon.size() - ext.size());
    }
  }
  std::vector<std::string> names;
  if (isPlainIconName(icon)) names.push_back(icon);
  names.emplace_back("application-x-executable");
  if (auto image = firstFound(names, points, scale)) return image;
  return HeadlessIconProvider().iconForApplication(entryPath, points, scale);
}

ui::ImageRef ThemeIconProvider::iconNamed(const std::string& name, double points, int scale) const {
  if (auto image = firstFound({name}, points, scale)) return image;
  return HeadlessIconProvider().iconNamed(name, points, scale);
}

}  // namespace vl
