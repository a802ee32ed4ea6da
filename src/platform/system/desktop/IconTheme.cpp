#include "platform/system/desktop/IconTheme.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>

#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/IconImage.h"

namespace vl {

namespace {

constexpr const char* kExtensions[] = {"png", "svg"};

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Comma-separated, empty items dropped, at most `limit` items kept.
std::vector<std::string> splitList(std::string_view value, std::size_t limit) {
  std::vector<std::string> items;
  while (!value.empty() && items.size() < limit) {
    const std::size_t comma = value.find(',');
    std::string_view item = trimmed(value.substr(0, comma));
    if (!item.empty()) items.emplace_back(item);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return items;
}

std::optional<int> parseInt(const std::map<std::string, std::string, std::less<>>& group,
                            std::string_view key) {
  auto it = group.find(key);
  if (it == group.end()) return std::nullopt;
  int value = 0;
  const std::string& text = it->second;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return INT_MIN;
  return value;
}

using Group = std::map<std::string, std::string, std::less<>>;

// The groups of an ini-style file; keys with a locale ("Name[fr]") and comments are skipped.
std::map<std::string, Group, std::less<>> parseGroups(std::string_view text) {
  std::map<std::string, Group, std::less<>> groups;
  Group* current = nullptr;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = trimmed(text.substr(0, newline));
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      current = close == std::string_view::npos ? nullptr : &groups[std::string(line.substr(1, close - 1))];
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    std::string_view key = trimmed(line.substr(0, eq));
    if (key.find('[') != std::string_view::npos) continue;
    current->emplace(std::string(key), std::string(trimmed(line.substr(eq + 1))));
  }
  return groups;
}

bool isPlainRelativePath(std::string_view path) {
  if (path.empty() || path.front() == '/') return false;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return true;
}

}  // namespace

bool IconThemeDirectory::matchesSize(int wanted, int wantedScale) const {
  if (scale != wantedScale) return false;
  switch (type) {
    case Type::Fixed:
      return size == wanted;
    case Type::Scalable:
      return minSize <= wanted && wanted <= maxSize;
    case Type::Threshold:
      return size - threshold <= wanted && wanted <= size + threshold;
  }
  return false;
}

int IconThemeDirectory::sizeDistance(int wanted, int wantedScale) const {
  const int want = wanted * wantedScale;
  switch (type) {
    case Type::Fixed:
      return std::abs(size * scale - want);
    case Type::Scalable:
      if (want < minSize * scale) return minSize * scale - want;
      if (want > maxSize * scale) return want - maxSize * scale;
      return 0;
    case Type::Threshold:
      if (want < (size - threshold) * scale) return (size - threshold) * scale - want;
      if (want > (size + threshold) * scale) return want - (size + threshold) * scale;
      return 0;
  }
  return INT_MAX;
}

std::optional<IconThemeIndex> IconThemeIndex::parse(std::string_view text, const std::string& what) {
  auto groups = parseGroups(text);
  auto main = groups.find("Icon Theme");
  if (main == groups.end()) {
    logWarningf("icon theme %s: no [Icon Theme] group", what.c_str());
    return std::nullopt;
  }
  IconThemeIndex index;
  if (auto it = main->second.find("Inherits"); it != main->second.end()) {
    index.inherits = splitList(it->second, kMaxInherits);
  }
  std::vector<std::string> names;
  for (const char* key : {"Directories", "ScaledDirectories"}) {
    if (auto it = main->second.find(key); it != main->second.end()) {
      for (auto& name : splitList(it->second, kMaxDirectories)) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
      }
    }
  }
  if (names.size() > kMaxDirectories) names.resize(kMaxDirectories);
  const auto inRange = [](std::optional<int> v, int low, int high) {
    return !v || (*v >= low && *v <= high);
  };
  for (const auto& name : names) {
    auto group = groups.find(name);
    if (group == groups.end() || !isPlainRelativePath(name)) {
      logWarningf("icon theme %s: folder \"%s\" is undescribed or lies outside the theme; skipped",
                  what.c_str(), name.c_str());
      continue;
    }
    const Group& g = group->second;
    auto size = parseInt(g, "Size");
    auto scale = parseInt(g, "Scale");
    auto minSize = parseInt(g, "MinSize");
    auto maxSize = parseInt(g, "MaxSize");
    auto threshold = parseInt(g, "Threshold");
    if (!size || !inRange(size, 1, kMaxIconSize) || !inRange(scale, 1, kMaxScale) ||
        !inRange(minSize, 1, kMaxIconSize) || !inRange(maxSize, 1, kMaxIconSize) ||
        !inRange(threshold, 0, kMaxIconSize)) {
      logWarningf("icon theme %s: folder \"%s\" has no usable sizes; skipped", what.c_str(), name.c_str());
      continue;
    }
    IconThemeDirectory dir;
    dir.path = name;
    dir.size = *size;
    dir.scale = scale.value_or(1);
    dir.minSize = minSize.value_or(dir.size);
    dir.maxSize = maxSize.value_or(dir.size);
    dir.threshold = threshold.value_or(2);
    auto type = g.find("Type");
    const std::string typeName = type == g.end() ? "Threshold" : type->second;
    if (typeName == "Fixed") {
      dir.type = IconThemeDirectory::Type::Fixed;
    } else if (typeName == "Scalable") {
      dir.type = IconThemeDirectory::Type::Scalable;
    } else {
      dir.type = IconThemeDirectory::Type::Threshold;
    }
    index.directories.push_back(std::move(dir));
  }
  return index;
}

bool isPlainIconName(std::string_view name) {
  return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
         name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

IconThemeSearch::IconThemeSearch(std::vector<std::string> baseDirectories,
                                 std::vector<std::string> fallbackDirectories)
    : bases_(std::move(baseDirectories)), fallbacks_(std::move(fallbackDirectories)) {}

std::vector<std::string> IconThemeSearch::standardBaseDirectories() {
  std::vector<std::string> bases;
  const std::string home = files::homeDirectory();
  if (!home.empty()) bases.push_back(files::joinPath(home, ".icons"));
  const std::string dataHome = environmentValue("XDG_DATA_HOME");
  if (!dataHome.empty()) {
    bases.push_back(files::joinPath(dataHome, "icons"));
  } else if (!home.empty()) {
    bases.push_back(files::joinPath(home, ".local/share/icons"));
  }
  const std::string dataDirs = environmentValue("XDG_DATA_DIRS");
  const std::string dirs = !dataDirs.empty() ? dataDirs : "/usr/local/share:/usr/share";
  for (std::string_view rest = dirs; !rest.empty();) {
    const std::size_t colon = rest.find(':');
    std::string_view dir = rest.substr(0, colon);
    if (!dir.empty() && dir.front() == '/') bases.push_back(files::joinPath(dir, "icons"));
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return bases;
}

std::vector<std::string> IconThemeSearch::standardFallbackDirectories() { return {"/usr/share/pixmaps"}; }

const IconThemeSearch::Theme* IconThemeSearch::theme(const std::string& name) {
  if (auto it = themes_.find(name); it != themes_.end()) return it->second ? &*it->second : nullptr;
  if (!isPlainIconName(name)) return nullptr;
  if (themes_.size() >= kMaxThemes) {
    logWarningf("icon theme %s: more than %zu themes named; not loaded", name.c_str(), kMaxThemes);
    return nullptr;
  }
  std::optional<Theme> loaded;
  Theme theme;
  bool haveIndex = false;
  for (const auto& base : bases_) {
    const std::string root = files::joinPath(base, name);
    if (!files::isDirectory(root)) continue;
    theme.roots.push_back(root);
    if (haveIndex) continue;
    const std::string indexPath = files::joinPath(root, "index.theme");
    if (!files::exists(indexPath)) continue;
    std::string error;
    auto text = icons::readSmallFile(indexPath, IconThemeIndex::kMaxFileBytes, &error);
    if (!text) {
      logWarningf("icon theme %s: %s cannot be read (%s)", name.c_str(), indexPath.c_str(), error.c_str());
      continue;
    }
    if (auto index = IconThemeIndex::parse(*text, indexPath)) {
      theme.index = std::move(*index);
      haveIndex = true;
    }
  }
  if (haveIndex) loaded = std::move(theme);
  auto [it, inserted] = themes_.emplace(name, std::move(loaded));
  return it->second ? &*it->second : nullptr;
}

std::string IconThemeSearch::lookupInTheme(const Theme& theme, const std::string& iconName, int size,
                                           int scale) const {
  for (const auto& dir : theme.index.directories) {
    if (!dir.matchesSize(size, scale)) continue;
    for (const auto& root : theme.roots) {
      for (const char* extension : kExtensions) {
        std::string file = files::joinPath(files::joinPath(root, dir.path), iconName + "." + extension);
        if (files::isRegularFile(file)) return file;
      }
    }
  }
  std::string closest;
  int best = INT_MAX;
  for (const auto& dir : theme.index.directories) {
    const int distance = dir.sizeDistance(size, scale);
    if (distance >= best) continue;
    for (const auto& root : theme.roots) {
      for (const char* extension : kExtensions) {
        std::string file = files::joinPath(files::joinPath(root, dir.path), iconName + "." + extension);
        if (distance < best && files::isRegularFile(file)) {
          closest = std::move(file);
          best = distance;
        }
      }
    }
  }
  return closest;
}

std::string IconThemeSearch::findInChain(const std::string& themeName, const std::string& iconName, int size,
                                         int scale, int depth, std::set<std::string>& visited) {
  if (!visited.insert(themeName).second) return {};
  if (depth > kMaxDepth) {
    logWarningf("icon theme %s: inherited more than %d themes deep; the rest is ignored", themeName.c_str(),
                kMaxDepth);
    return {};
  }
  const Theme* found = theme(themeName);
  if (!found) return {};
  if (std::string file = lookupInTheme(*found, iconName, size, scale); !file.empty()) return file;
  // Copied: loading a parent may add to the theme table, but never moves the themes in it; the copy
  // keeps this loop independent of that anyway.
  const std::vector<std::string> parents = found->index.inherits;
  for (const auto& parent : parents) {
    if (std::string file = findInChain(parent, iconName, size, scale, depth + 1, visited); !file.empty()) {
      return file;
    }
  }
  return {};
}

bool IconThemeSearch::hasTheme(const std::string& themeName) { return theme(themeName) != nullptr; }

std::string IconThemeSearch::lookup(const std::string& themeName, const std::string& iconName, int size,
                                    int scale) {
  if (!isPlainIconName(iconName) || size <= 0) return {};
  size = std::min(size, IconThemeIndex::kMaxIconSize);
  scale = std::clamp(scale, 1, IconThemeIndex::kMaxScale);
  std::set<std::string> visited;
  if (std::string file = findInChain(themeName, iconName, size, scale, 0, visited); !file.empty())
    return file;
  if (std::string file = findInChain("hicolor", iconName, size, scale, 0, visited); !file.empty())
    return file;
  for (const auto& dir : fallbacks_) {
    for (const char* extension : kExtensions) {
      std::string file = files::joinPath(dir, iconName + "." + extension);
      if (files::isRegularFile(file)) return file;
    }
  }
  return {};
}

}  // namespace vl
