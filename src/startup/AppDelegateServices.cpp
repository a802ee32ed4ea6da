#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

#include "VLEngine/VLEngine.h"
#include "core/VLConfig.h"
#include "core/web/WebSearchBrowser.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/desktop/LoginItem.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Window.h"
#include "startup/AppDelegate.h"

namespace vl {

namespace {

std::atomic<bool>& accessibilityTrustedFlag() {
  static std::atomic<bool> flag{false};
  return flag;
}

std::mutex& programFolderMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& programFolderOverride() {
  static std::string folder;
  return folder;
}

void createFolderIfNothingThere(const std::string& path) {
  // Only when nothing is there: a file of that name is the user's and stays.
  if (path.empty() || files::exists(path)) return;
  if (!files::createDirectories(path)) logErrorf("startup: cannot create the folder %s", path.c_str());
}

}  // namespace

// ---- instance services ----

std::string AppDelegate::applicationDocumentsDirectory() const { return UserDefaults::directory(); }

void AppDelegate::createAudioPathIfNeeded() { createFolderIfNothingThere(VLEngine::shared().audioPath()); }

void AppDelegate::createForeverPathIfNeeded() {
  createFolderIfNothingThere(VLEngine::shared().foreverPath());
}

bool AppDelegate::launchAtLogin(bool enabled) {
  // The flag follows the entry: storing YES for an entry that could not be written would show the
  // user a login item that never starts.
  if (!LoginItem::setEnabled(kLauncherAppId, enabled, launcherProgramPath(), "Vellisto")) {
    logWarningf("login item: could not %s launch at login", enabled ? "enable" : "disable");
    return false;
  }
  VLConfig::shared().setBoolValueOfKey(VLConfig::kLaunchAtLogin, enabled);
  return true;
}

bool AppDelegate::getLoginItemStatus() const {
  return VLConfig::shared().getBoolValueOfKey(VLConfig::kLaunchAtLogin);
}

void AppDelegate::showOnTouchBar(bool enabled) {
  VLConfig::shared().setBoolValueOfKey(VLConfig::kTouchBarCustomization, enabled);
}

bool AppDelegate::getShowOnTouchBarStatus() const {
  return VLConfig::shared().getBoolValueOfKey(VLConfig::kTouchBarCustomization);
}

bool AppDelegate::isSelectedIconColor(const std::string& color) const {
  const std::string stored =
      VLConfig::shared().getStringValueOfKey(VLConfig::kStatusIconColor).value_or("red");
  return lowercase(color) == stored;
}

void AppDelegate::setSelectedIconColor(const std::string& color) {
  VLConfig::shared().setStringValueOfKey(VLConfig::kStatusIconColor, lowercase(color));
}

void AppDelegate::saveHotkey(std::int64_t hotKeyId, std::int64_t modifier, std::int64_t code,
                             bool doubleTap) {
  VLConfig::shared().setHotkeyValueOfKey(VLConfig::kMainHotKey,
                                         HokeyStruct{modifier, code, hotKeyId, doubleTap});
}

void AppDelegate::appleInterfaceThemeChanged() {
  if (hooks().updateStatusIcon) hooks().updateStatusIcon();
}

// ---- class services ----

VLSystemVersion AppDelegate::operatingSystemVersion() { return VLDevice::systemVersion(); }

bool AppDelegate::pass() { return true; }

bool AppDelegate::needPermissions() {
  const bool trusted = KeyEventPoster::shared()->isAccessibilityTrusted();
  accessibilityTrustedFlag().store(trusted);
  return !trusted;
}

bool AppDelegate::accessibilityTrusted() { return accessibilityTrustedFlag().load(); }

UserNotification AppDelegate::pasteNotification(const std::string& subtitle) {
  char identifier[64];
  std::snprintf(identifier, sizeof identifier, "vellisto-%f", Clock::current().now());
  UserNotification note;
  note.identifier = identifier;
  note.title = "Tips";
  note.subtitle = subtitle;
  note.informativeText = "Press \u2318+v to paste the selection(above\U0001F446)";
  return note;
}

ui::Color AppDelegate::backgroundColor() { return ui::Color::rgb24(0xf5f5f7); }
ui::Color AppDelegate::highlightedSelectionColor() {
  return ui::Color::rgba(94 / 255.0, 149 / 255.0, 240 / 255.0, 1);
}
ui::Color AppDelegate::vellistoRed() { return ui::Color::rgba(216 / 255.0, 30 / 255.0, 6 / 255.0, 1); }
ui::Color AppDelegate::vellistoHighlightedRed() {
  return ui::Color::rgba(216 / 255.0, 30 / 255.0, 6 / 255.0, 0.8);
}
ui::Color AppDelegate::syncBlue() { return ui::Color::rgba(0, 122 / 255.0, 225 / 255.0, 1); }

ui::Window* AppDelegate::topWindow() {
  std::vector<ui::Window*> windows = ui::Application::shared().windows();
  return windows.empty() ? nullptr : windows.front();
}

bool AppDelegate::isResponderByTag(long tag) {
  ui::Window* window = ui::Application::shared().mainWindow();
  if (!window) return false;
  for (auto* view = dynamic_cast<ui::View*>(window->firstResponder()); view; view = view->superview()) {
    if (view->tag() == tag) return true;
  }
  return false;
}

void AppDelegate::saveInstalledBrowsers(const std::vector<DesktopEntryItem>& browsers) {
  const Json list = WebSearchBrowser::browserList(browsers);
  VLConfig& config = VLConfig::shared();
  std::optional<Json> stored = config.getValueOfKey(VLConfig::kWebSearch);
  Json value = stored && stored->is_object() ? *stored : Json::object();
  if (stored && !stored->is_object())
    logWarning("browser list: settings key 104 holds no dictionary; it is rebuilt");
  value["browserList"] = list;
  const Json browser = value.contains("browser") ? value["browser"] : Json();
  // A browser that is not installed here would leave web searches nowhere to go.
  if (!browser.is_string() || std::find(list.begin(), list.end(), browser) == list.end())
    value["browser"] = WebSearchBrowser::kDefaultBrowser;
  config.setValueOfKey(VLConfig::kWebSearch, value);
}

std::string AppDelegate::launcherProgramPath() {
  std::string folder;
  {
    std::lock_guard<std::mutex> lock(programFolderMutex());
    folder = programFolderOverride();
  }
  if (folder.empty()) {
    const std::string self = LoginItem::runningProgramPath();
    if (self.empty()) return {};
    folder = files::deletingLastPathComponent(self);
  }
  return files::joinPath(folder, kLauncherProgramName);
}

void AppDelegate::setProgramFolderForTesting(std::string folder) {
  std::lock_guard<std::mutex> lock(programFolderMutex());
  programFolderOverride() = std::move(folder);
}

}  // namespace vl
