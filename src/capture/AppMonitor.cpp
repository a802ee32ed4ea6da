#include "capture/AppMonitor.h"

#include <unistd.h>

#include "core/VLConfig.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

std::string stripSuffix(std::string name, std::string_view suffix) {
  if (name.size() > suffix.size() && endsWith(name, suffix)) name.resize(name.size() - suffix.size());
  return name;
}

}  // namespace

AppMonitor& AppMonitor::shared() {
  static AppMonitor* instance = new AppMonitor();  // read from the capture queue until exit
  return *instance;
}

std::optional<RunningApplication> AppMonitor::activeApp() const {
  auto app = Workspace::shared()->frontmostApplication();
  if (app && !app->active) return std::nullopt;
  return app;
}

std::string AppMonitor::getAppNameFrom(const RunningApplication& app) {
  if (app.path.empty()) return app.name;
  // Only a trailing suffix goes: "Photo.application Tool.desktop" keeps the word inside its name.
  std::string name = percentDecode(files::lastPathComponent(app.path));
  name = stripSuffix(std::move(name), ".desktop");
  return stripSuffix(std::move(name), ".app");
}

bool AppMonitor::isSelf(const RunningApplication& app, const std::string& name) {
  return name == kOwnAppName || (app.processIdentifier > 0 && app.processIdentifier == ::getpid());
}

std::string AppMonitor::getActiveAppName() {
  const auto app = activeApp();
  MutexLock lock(mutex_);
  if (!app) return "";
  std::string name = getAppNameFrom(*app);
  if (isSelf(*app, name) && !lastActiveAppNameForAutoPick_.empty()) name = lastActiveAppNameForAutoPick_;
  lastActiveAppNameForAutoPick_ = name;
  return name;
}

bool AppMonitor::copiedFromSecurityApp() {
  const auto list = VLConfig::shared().getValueOfKey(VLConfig::kIgnoredApps);
  if (!list) return false;
  const auto app = activeApp();
  if (!app) return false;
  std::string name = getAppNameFrom(*app);
  {
    MutexLock lock(mutex_);
    if (isSelf(*app, name) && !lastActiveAppName_.empty()) name = lastActiveAppName_;
    lastActiveAppName_ = name;
  }
  const auto appList = list->is_object() ? jsonMember(*list, "appList") : std::nullopt;
  if (!appList || !appList->is_array()) return false;
  for (const auto& entry : *appList) {
    if (entry.is_string() && entry.get<std::string>() == name) return true;
  }
  return false;
}

std::string AppMonitor::lastActiveAppName() const {
  MutexLock lock(mutex_);
  return lastActiveAppName_;
}

std::string AppMonitor::lastActiveAppNameForAutoPick() const {
  MutexLock lock(mutex_);
  return lastActiveAppNameForAutoPick_;
}

}  // namespace vl
