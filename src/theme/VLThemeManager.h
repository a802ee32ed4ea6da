#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/graphics/Color.h"
#include "theme/VLTheme.h"
#include "theme/VLVisualEffectObject.h"

namespace vl {

// Holds the loaded themes, the current theme and the light or dark mode, and turns an asset key into a
// colour, a gradient or a material. Answers from any thread: the search engine resolves keys on its
// queues while the main thread may switch the theme.
class VLThemeManager {
 public:
  static constexpr const char* kThemeChangedNotification = "VLThemeChanged";
  // getAppearanceTypeForKey answers.
  enum AppearanceType : std::int64_t { None = 0, ColorType = 1, GradientType = 2, ImageType = 3 };
  using ThemeTable = std::map<std::string, std::shared_ptr<const VLTheme>>;

  // The one manager, created on first use: the mode from the system, the current theme from settings
  // key 121 (matched without regard to case; "classic" when unset). `activeTheme` stays empty.
  static VLThemeManager& shared();

  // Fills the theme table from the "theme-*.yml" resources, in file-name order (a later file with the
  // same name replaces an earlier one). Runs once, on the first use of the table; later calls do nothing.
  static void load();
  // Every loaded theme by name.
  static std::shared_ptr<const ThemeTable> themeTable();
  // The system's current mode: 0 light, 1 dark.
  static std::int64_t getAppearance();

  // A manager over the table as loaded, in light mode with no current theme (shared() is the one the
  // application uses; tests may make their own).
  VLThemeManager() = default;
  VLThemeManager(const VLThemeManager&) = delete;
  VLThemeManager& operator=(const VLThemeManager&) = delete;

  // Every loaded theme, in name order.
  std::vector<std::shared_ptr<const VLTheme>> themeList() const;

  // Makes the theme of exactly that name current (none when there is no such theme) and posts
  // "VLThemeChanged" on the default centre; the name already active changes and posts nothing.
  void setActiveTheme(const std::string& name);
  std::string activeTheme() const;
  std::int64_t appearanceMode() const;
  void setAppearanceMode(std::int64_t mode);
  std::shared_ptr<const VLTheme> currentTheme() const;
  void setCurrentTheme(std::shared_ptr<const VLTheme> theme);

  // A key is looked up in the current theme, or, written "Theme:key", in the named theme. A key without
  // a value of the asked kind in the current mode gives nullopt.
  std::optional<ui::Color> colorForKey(const std::string& key) const;
  std::optional<ui::Gradient> gradientForKey(const std::string& key) const;
  std::optional<VLVisualEffectObject> visualEffectObjectForKey(const std::string& key) const;
  // The kind of value the current theme (only) gives the key in the current mode.
  std::int64_t getAppearanceTypeForKey(const std::string& key) const;

  // Touching the manager is enough for an object to subscribe itself; this is how views say so.
  void nothing() const {}

  // Tests: replace the table with the themes of `folder` (every "theme-*.yml" there), or with the
  // shipped resources when `folder` is empty.
  static void reloadThemeTableForTesting(const std::string& folder = {});
  // Tests: redo what creating the shared manager does, with the current settings and system mode.
  void resetForTesting() { start(); }

 private:
  static ThemeTable readThemes(const std::string& folder);
  // What creating the shared manager does: mode from the system, theme from the settings.
  void start();
  void chooseInitialTheme();
  // The asset `key` names, with the mode to read it in; nullptr when none.
  const VLAsset* entryForKey(const std::string& key, std::shared_ptr<const VLTheme>* holder,
                             std::int64_t* mode) const;
  template <typename T>
  std::optional<T> valueForKey(const std::string& key) const;

  mutable std::mutex mutex_;
  std::string activeTheme_;
  std::int64_t appearanceMode_ = 0;
  std::shared_ptr<const VLTheme> currentTheme_;
};

}  // namespace vl
