#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/system/desktop/IconProvider.h"
#include "platform/system/desktop/IconTheme.h"

namespace vl {

// Icons from the user's icon theme: files by their content type, applications by their desktop
// entry's Icon= key. The theme is the one the desktop announced, else the GTK settings' choice, else
// GTK's own default ("Adwaita") when installed, else "hicolor". Decoded pictures are kept in a bounded cache
// (misses included, so a name no theme has is not searched for again). Anything that is not found gives the
// headless placeholder.
class ThemeIconProvider final : public IconProvider {
 public:
  static constexpr std::size_t kCacheEntries = 256;
  static constexpr std::size_t kCacheBytes = 48 * 1024 * 1024;

  ThemeIconProvider();
  // Tests search their own folders.
  ThemeIconProvider(std::vector<std::string> baseDirectories, std::vector<std::string> fallbackDirectories);

  ui::ImageRef iconForFile(const std::string& path, double points, int scale) const override;
  ui::ImageRef iconForApplication(const std::string& entryPath, double points, int scale) const override;
  ui::ImageRef iconNamed(const std::string& name, double points, int scale) const override;

  // The icon theme the GTK settings files choose ("gtk-icon-theme-name"), "" when none does.
  static std::string themeNameFromGtkSettings();
  std::string currentThemeName() const;

 private:
  // The first of `names` that the theme has, decoded; nullptr when none is found.
  ui::ImageRef firstFound(const std::vector<std::string>& names, double points, int scale) const;
  ui::ImageRef applicationIcon(const std::string& entryPath, double points, int scale) const;
  ui::ImageRef cached(const std::string& key, bool* hit) const;
  void remember(const std::string& key, const ui::ImageRef& image) const;
  std::string themeNameLocked() const;

  mutable std::mutex mutex_;
  mutable IconThemeSearch search_;
  mutable std::string lastPreferred_;
  mutable std::string gtkTheme_;
  mutable bool gtkThemeRead_ = false;
  // Most recently used first.
  mutable std::list<std::pair<std::string, ui::ImageRef>> lru_;
  mutable std::unordered_map<std::string, std::list<std::pair<std::string, ui::ImageRef>>::iterator> index_;
  mutable std::size_t bytes_ = 0;
};

}  // namespace vl
