#include "core/apps/AppInstalledManager.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/UserDefaults.h"

namespace vl {
namespace {

Json toJson(const std::map<std::string, bool>& dict) {
  Json object = Json::object();
  for (const auto& [name, installed] : dict) object[name] = installed;
  return object;
}

// A dictionary someone else wrote may hold anything; only names with a flag are taken.
std::map<std::string, bool> dictionaryFromDefaults() {
  std::map<std::string, bool> dict;
  std::optional<Json> stored = UserDefaults::standard().object(AppInstalledManager::kLoadKey);
  if (!stored) return dict;
  if (!stored->is_object()) {
    logWarningf("AppInstalledManager: \"%s\" is not a dictionary; starting with no applications",
                AppInstalledManager::kLoadKey);
    return dict;
  }
  for (const auto& [name, value] : stored->items()) {
    if (value.is_boolean()) {
      dict[name] = value.get<bool>();
    } else if (value.is_number()) {
      dict[name] = value.get<double>() != 0;
    } else {
      logWarningf("AppInstalledManager: \"%s\" holds no flag for \"%s\"; left out",
                  AppInstalledManager::kLoadKey, name.c_str());
    }
  }
  return dict;
}

}  // namespace

AppInstalledManager& AppInstalledManager::shared() {
  static AppInstalledManager instance;
  return instance;
}

AppInstalledManager::AppInstalledManager() : appQuery_(DesktopEntryQuery::create()) {
  // Only our own query's reports count: another index (tests make several) must not feed this one.
  gatheringObservation_ = NotificationCenter::defaultCenter().observe(
      DesktopEntryQuery::kDidFinishGatheringNotification, appQuery_.get(),
      [this](const Notification&) { queryIsDoneGathering(); });
}

void AppInstalledManager::setRecordStore(std::shared_ptr<AppRecordStore> store) {
  std::lock_guard<std::mutex> lock(mutex_);
  store_ = std::move(store);
}

void AppInstalledManager::setInstalledBrowsersHandler(InstalledBrowsersHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  browsersHandler_ = std::move(handler);
}

bool AppInstalledManager::hasRecordStore() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return store_ != nullptr;
}

bool AppInstalledManager::hasInstalledBrowsersHandler() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<bool>(browsersHandler_);
}

bool AppInstalledManager::startQuery() { return appQuery_->startQuery(); }

std::map<std::string, bool>& AppInstalledManager::appItemDictLocked() {
  if (!appItemDict_) appItemDict_ = dictionaryFromDefaults();
  return *appItemDict_;
}

void AppInstalledManager::queryIsDoneGathering() {
  std::vector<DesktopEntryItem> fresh;
  std::shared_ptr<AppRecordStore> store;
  InstalledBrowsersHandler handler;
  Json dictCopy;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, bool>& dict = appItemDictLocked();
    for (auto& entry : dict) entry.second = false;
    std::map<std::string, std::string> paths, titles;
    std::vector<DesktopEntryItem> browsers;
    for (const DesktopEntryItem& item : appQuery_->results()) {
      auto [it, inserted] = dict.emplace(item.name, true);
      it->second = true;
      // The first entry of a name is the one the desktop shows; later ones of that name are hidden.
      const bool first = paths.emplace(item.name, item.path).second;
      if (first && !item.title.empty()) titles.emplace(item.name, item.title);
      if (first && item.webBrowser) browsers.push_back(item);
      if (inserted) fresh.push_back(item);
    }
    std::stable_sort(browsers.begin(), browsers.end(),
                     [](const DesktopEntryItem& a, const DesktopEntryItem& b) { return a.title < b.title; });
    appPaths_ = std::move(paths);
    appTitles_ = std::move(titles);
    browsers_ = std::move(browsers);
    store = store_;
    handler = browsersHandler_;
    dictCopy = toJson(dict);
    if (!store && !fresh.empty() && !reportedNoStore_) {
      reportedNoStore_ = true;
      logWarning("AppInstalledManager: no record store yet; application records are not added");
    }
  }
  appQuery_->stopQuery();

  // Outside the lock: the store takes its own locks, and the handler may read the dictionary.
  if (store) {
    for (const DesktopEntryItem& item : fresh) {
      Json json = {{"app", true}, {"app_path", item.path}};
      if (store->hasApplicationRecord(item.name)) {
        store->updateApplicationRecord(item.name, json);
      } else {
        store->appendApplicationRecord(item.name, json);
      }
    }
  }
  if (handler) handler(dictCopy);
}

Json AppInstalledManager::appItemDict() {
  std::lock_guard<std::mutex> lock(mutex_);
  return toJson(appItemDictLocked());
}

bool AppInstalledManager::isInstalled(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::map<std::string, bool>& dict = appItemDictLocked();
  auto it = dict.find(name);
  return it != dict.end() && it->second;
}

void AppInstalledManager::saveAppItemDict() {
  Json dict = appItemDict();
  UserDefaults::standard().setObject(kSaveKey, dict);
}

std::string AppInstalledManager::getAppPath(const std::string& name) {
  std::string decoded = percentDecode(name);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = appPaths_.find(decoded);
    if (it != appPaths_.end()) return it->second;
  }
  // A name with a slash would reach outside the application folders.
  if (decoded.empty() || decoded.find('/') != std::string::npos) return {};
  for (const std::string& folder : DesktopEntryQuery::applicationFolders()) {
    std::string path = files::joinPath(folder, decoded + ".desktop");
    if (files::isRegularFile(path)) return path;
  }
  return {};
}

std::vector<DesktopEntryItem> AppInstalledManager::installedBrowsers() {
  std::lock_guard<std::mutex> lock(mutex_);
  return browsers_;
}

std::string AppInstalledManager::applicationTitle(const std::string& name) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = appTitles_.find(name);
    if (it != appTitles_.end()) return it->second;
  }
  const std::string path = getAppPath(name);
  std::string error;
  if (!path.empty()) {
    if (auto file = DesktopEntryFile::read(path, &error); file && !file->value("Name").empty())
      return file->value("Name");
  }
  return name;
}

}  // namespace vl
