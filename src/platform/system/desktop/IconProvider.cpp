#include "platform/system/desktop/IconProvider.h"

#include <mutex>

#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessIconProvider.h"

namespace vl {

namespace {

std::mutex& themeNameMutex() {
  static std::mutex m;
  return m;
}

std::string& themeName() {
  static std::string name;
  return name;
}

}  // namespace

std::shared_ptr<IconProvider> IconProvider::shared() {
  return InstalledBackend<IconProvider, HeadlessIconProvider>::get();
}

void IconProvider::install(std::shared_ptr<IconProvider> provider) {
  InstalledBackend<IconProvider, HeadlessIconProvider>::install(std::move(provider));
}

void IconProvider::setPreferredThemeName(const std::string& name) {
  std::lock_guard lock(themeNameMutex());
  themeName() = name;
}

std::string IconProvider::preferredThemeName() {
  std::lock_guard lock(themeNameMutex());
  return themeName();
}

}  // namespace vl
