#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vl {

// One folder of an icon theme and the sizes its pictures are drawn for.
struct IconThemeDirectory {
  enum class Type { Fixed, Scalable, Threshold };

  std::string path;  // relative to the theme's folder, e.g. "48x48/apps"
  Type type = Type::Threshold;
  int size = 0;
  int scale = 1;
  int minSize = 0;
  int maxSize = 0;
  int threshold = 2;

  // Whether an icon from here serves `size` at `scale` without scaling.
  bool matchesSize(int wanted, int wantedScale) const;
  // How many pixels the folder's icons are off from `size` at `scale`; 0 when they match.
  int sizeDistance(int wanted, int wantedScale) const;
};

// The index.theme of an icon theme: its folders and the themes it inherits from.
struct IconThemeIndex {
  // Larger index files are refused while reading; sizes and counts beyond these are not icon themes.
  static constexpr std::size_t kMaxFileBytes = 512 * 1024;
  static constexpr std::size_t kMaxDirectories = 2048;
  static constexpr std::size_t kMaxInherits = 16;
  static constexpr int kMaxIconSize = 4096;
  static constexpr int kMaxScale = 16;

  std::vector<std::string> inherits;
  std::vector<IconThemeDirectory> directories;

  // nullopt (logged with `what`) when the text has no [Icon Theme] group; folders whose sizes make no
  // sense are left out, each with a log line.
  static std::optional<IconThemeIndex> parse(std::string_view text, const std::string& what);
};

// Finds icon files by name in the themes found under a list of base folders, the way desktops do: the
// asked theme, then the themes it inherits from (depth first, each once), then "hicolor", then the
// flat fallback folders. Not thread-safe: the owner serialises calls.
class IconThemeSearch {
 public:
  // Chains of inheritance deeper than this are cut (with a log line); cycles are cut silently.
  static constexpr int kMaxDepth = 12;
  // Distinct themes one search object loads at most; further names are treated as missing.
  static constexpr std::size_t kMaxThemes = 64;

  IconThemeSearch(std::vector<std::string> baseDirectories, std::vector<std::string> fallbackDirectories);

  // ~/.icons, $XDG_DATA_HOME/icons, then icons/ in each of $XDG_DATA_DIRS.
  static std::vector<std::string> standardBaseDirectories();
  // /usr/share/pixmaps.
  static std::vector<std::string> standardFallbackDirectories();

  // The file (PNG or SVG) that best draws `iconName` at `size` x `scale`, or "" when no theme has it.
  std::string lookup(const std::string& themeName, const std::string& iconName, int size, int scale);
  // Whether a theme of that name is installed in one of the base folders.
  bool hasTheme(const std::string& themeName);

 private:
  struct Theme {
    std::vector<std::string> roots;  // base/<name> folders that exist, in base order
    IconThemeIndex index;
  };

  const Theme* theme(const std::string& name);
  std::string findInChain(const std::string& themeName, const std::string& iconName, int size, int scale,
                          int depth, std::set<std::string>& visited);
  std::string lookupInTheme(const Theme& theme, const std::string& iconName, int size, int scale) const;

  std::vector<std::string> bases_;
  std::vector<std::string> fallbacks_;
  std::map<std::string, std::optional<Theme>, std::less<>> themes_;
};

// Icon names come from files and settings; only a plain name may become part of a path.
bool isPlainIconName(std::string_view name);

}  // namespace vl
