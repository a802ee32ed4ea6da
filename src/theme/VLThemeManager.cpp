#include "theme/VLThemeManager.h"

#include "core/VLConfig.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/Text.h"
#include "platform/ui/view/Appearance.h"

namespace vl {

namespace {

struct TableHolder {
  std::mutex mutex;
  std::shared_ptr<const VLThemeManager::ThemeTable> table;
  bool loaded = false;
};

TableHolder& holder() {
  static TableHolder h;
  return h;
}

template <typename T>
const T* valueAs(const VLAppearanceValue& value) {
  return std::get_if<T>(&value.storage());
}

}  // namespace

VLThemeManager::ThemeTable VLThemeManager::readThemes(const std::string& folder) {
  ThemeTable table;
  if (folder.empty()) return table;
  auto listing = files::listDirectory(folder);
  if (!listing.ok()) {
    logWarningf("theme: cannot list %s (%s); no themes loaded", folder.c_str(), listing.error.c_str());
    return table;
  }
  // The listing is sorted by name, which fixes which of two files with the same theme name wins.
  for (const std::string& name : listing.names) {
    if (!startsWith(name, "theme-") || files::pathExtension(name) != "yml") continue;
    const std::string path = files::joinPath(folder, name);
    auto theme = VLTheme::ofURL(path);
    if (!theme) continue;
    if (theme->name().empty()) {
      logWarningf("theme: %s: key \"name\": missing or empty; the file is skipped", path.c_str());
      continue;
    }
    table[theme->name()] = std::move(theme);
  }
  return table;
}

void VLThemeManager::load() {
  TableHolder& h = holder();
  {
    std::lock_guard<std::mutex> lock(h.mutex);
    if (h.loaded) return;
  }
  // Read outside the lock: loading logs and touches files; a racing second loader only wastes work.
  auto table = std::make_shared<const ThemeTable>(readThemes(resourceDirectory()));
  std::lock_guard<std::mutex> lock(h.mutex);
  if (h.loaded) return;
  h.table = std::move(table);
  h.loaded = true;
}

std::shared_ptr<const VLThemeManager::ThemeTable> VLThemeManager::themeTable() {
  load();
  TableHolder& h = holder();
  std::lock_guard<std::mutex> lock(h.mutex);
  return h.table;
}

void VLThemeManager::reloadThemeTableForTesting(const std::string& folder) {
  auto table = std::make_shared<const ThemeTable>(readThemes(folder.empty() ? resourceDirectory() : folder));
  TableHolder& h = holder();
  std::lock_guard<std::mutex> lock(h.mutex);
  h.table = std::move(table);
  h.loaded = true;
}

std::int64_t VLThemeManager::getAppearance() { return ui::SystemAppearance::shared().isDark() ? 1 : 0; }

VLThemeManager& VLThemeManager::shared() {
  static VLThemeManager* manager = [] {
    auto* m = new VLThemeManager();
    m->start();
    return m;
  }();
  return *manager;
}

void VLThemeManager::start() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    activeTheme_.clear();
    currentTheme_.reset();
    appearanceMode_ = getAppearance();
  }
  chooseInitialTheme();
}

void VLThemeManager::chooseInitialTheme() {
  std::string wanted = VLConfig::shared().getStringValueOfKey(VLConfig::kThemeName).value_or("classic");
  wanted = lowercase(wanted);
  std::shared_ptr<const VLTheme> chosen;
  for (const auto& [name, theme] : *themeTable()) {
    if (lowercase(name) == wanted) {
      chosen = theme;
      break;
    }
  }
  if (!chosen) logWarningf("theme: no theme named \"%s\"; every colour is empty", wanted.c_str());
  std::lock_guard<std::mutex> lock(mutex_);
  currentTheme_ = std::move(chosen);
}

std::vector<std::shared_ptr<const VLTheme>> VLThemeManager::themeList() const {
  std::vector<std::shared_ptr<const VLTheme>> list;
  for (const auto& [name, theme] : *themeTable()) list.push_back(theme);
  return list;
}

void VLThemeManager::setActiveTheme(const std::string& name) {
  auto table = themeTable();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (name == activeTheme_) return;
    activeTheme_ = name;
    auto found = table->find(name);
    currentTheme_ = found == table->end() ? nullptr : found->second;
  }
  NotificationCenter::defaultCenter().post(kThemeChangedNotification);
}

std::string VLThemeManager::activeTheme() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return activeTheme_;
}

std::int64_t VLThemeManager::appearanceMode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return appearanceMode_;
}

void VLThemeManager::setAppearanceMode(std::int64_t mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  appearanceMode_ = mode;
}

std::shared_ptr<const VLTheme> VLThemeManager::currentTheme() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return currentTheme_;
}

void VLThemeManager::setCurrentTheme(std::shared_ptr<const VLTheme> theme) {
  std::lock_guard<std::mutex> lock(mutex_);
  currentTheme_ = std::move(theme);
}

const VLAsset* VLThemeManager::entryForKey(const std::string& key, std::shared_ptr<const VLTheme>* holderOut,
                                           std::int64_t* mode) const {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    *holderOut = currentTheme_;
    *mode = appearanceMode_;
  }
  std::string lookup = key;
  if (auto colon = key.find(':'); colon != std::string::npos) {
    // "Theme:key" reads another loaded theme; anything after a second colon is ignored.
    const std::string themeName = key.substr(0, colon);
    const std::string rest = key.substr(colon + 1);
    lookup = rest.substr(0, rest.find(':'));
    auto table = themeTable();
    auto found = table->find(themeName);
    *holderOut = found == table->end() ? nullptr : found->second;
  }
  if (!*holderOut) return nullptr;
  auto entry = (*holderOut)->colors().find(lookup);
  return entry == (*holderOut)->colors().end() ? nullptr : &entry->second;
}

template <typename T>
std::optional<T> VLThemeManager::valueForKey(const std::string& key) const {
  std::shared_ptr<const VLTheme> theme;  // keeps the entry alive while it is read
  std::int64_t mode = 0;
  const VLAsset* entry = entryForKey(key, &theme, &mode);
  if (!entry) return std::nullopt;
  if (const T* any = valueAs<T>(entry->any)) return *any;
  if (const T* slot = valueAs<T>(entry->slotForMode(mode))) return *slot;
  return std::nullopt;
}

std::optional<ui::Color> VLThemeManager::colorForKey(const std::string& key) const {
  return valueForKey<ui::Color>(key);
}

std::optional<ui::Gradient> VLThemeManager::gradientForKey(const std::string& key) const {
  return valueForKey<ui::Gradient>(key);
}

std::optional<VLVisualEffectObject> VLThemeManager::visualEffectObjectForKey(const std::string& key) const {
  return valueForKey<VLVisualEffectObject>(key);
}

std::int64_t VLThemeManager::getAppearanceTypeForKey(const std::string& key) const {
  std::shared_ptr<const VLTheme> theme;
  std::int64_t mode = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    theme = currentTheme_;
    mode = appearanceMode_;
  }
  if (!theme) return None;
  if (auto entry = theme->colors().find(key); entry != theme->colors().end()) {
    const VLAsset& asset = entry->second;
    if (asset.any.isColor()) return ColorType;
    if (asset.any.isGradient()) return GradientType;
    const VLAppearanceValue& slot = asset.slotForMode(mode);
    if (slot.isColor()) return ColorType;
    if (slot.isGradient()) return GradientType;
    return None;
  }
  if (theme->images().count(key)) return ImageType;
  return None;
}

}  // namespace vl
