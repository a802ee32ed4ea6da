#include "platform/system/headless/HeadlessWorkspace.h"

#include <utility>

namespace vl {

std::optional<RunningApplication> HeadlessWorkspace::frontmostApplication() const {
  std::lock_guard lock(mutex_);
  for (const auto& app : apps_) {
    if (app.active) return app;
  }
  return std::nullopt;
}

std::vector<RunningApplication> HeadlessWorkspace::runningApplications() const {
  std::lock_guard lock(mutex_);
  return apps_;
}

bool HeadlessWorkspace::launchApplication(const std::string& path) {
  std::lock_guard lock(mutex_);
  launched_.push_back(path);
  return !path.empty();
}

bool HeadlessWorkspace::openURL(const std::string& url) {
  std::lock_guard lock(mutex_);
  opened_.push_back(url);
  return !url.empty();
}

bool HeadlessWorkspace::hideApplication(const RunningApplication& app) {
  std::lock_guard lock(mutex_);
  hidden_.push_back(app);
  for (const auto& running : apps_) {
    if (running.path == app.path && running.name == app.name) return true;
  }
  return false;
}

std::vector<RunningApplication> HeadlessWorkspace::hiddenApplications() const {
  std::lock_guard lock(mutex_);
  return hidden_;
}

bool HeadlessWorkspace::openURL(const std::string& url, const std::string& applicationPath) {
  std::lock_guard lock(mutex_);
  openedIn_.emplace_back(url, applicationPath);
  return !url.empty() && !applicationPath.empty();
}

std::vector<std::pair<std::string, std::string>> HeadlessWorkspace::openedInApplications() const {
  std::lock_guard lock(mutex_);
  return openedIn_;
}

std::optional<std::string> HeadlessWorkspace::typeOfFile(const std::string& path) const {
  {
    std::lock_guard lock(mutex_);
    auto it = fileTypes_.find(path);
    if (it != fileTypes_.end()) return it->second;
  }
  return Workspace::typeOfFile(path);
}

void HeadlessWorkspace::setRunningApplications(std::vector<RunningApplication> apps) {
  std::lock_guard lock(mutex_);
  apps_ = std::move(apps);
}

void HeadlessWorkspace::setFrontmostApplication(const std::optional<RunningApplication>& app) {
  std::lock_guard lock(mutex_);
  bool found = false;
  for (auto& running : apps_) {
    running.active = app && running.path == app->path;
    found = found || running.active;
  }
  if (app && !found) {
    apps_.push_back(*app);
    apps_.back().active = true;
  }
}

void HeadlessWorkspace::setTypeOfFile(const std::string& path, std::optional<std::string> type) {
  std::lock_guard lock(mutex_);
  fileTypes_[path] = std::move(type);
}

std::vector<std::string> HeadlessWorkspace::openedURLs() const {
  std::lock_guard lock(mutex_);
  return opened_;
}

}  // namespace vl
