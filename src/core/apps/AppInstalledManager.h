#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/apps/AppRecordStore.h"
#include "core/apps/DesktopEntryQuery.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"

namespace vl {

// The installed-application index. The history doubles as a launcher: every installed application
// gets a record in the clipboard tab whose text is the application's name, so typing the name finds
// it. The index also keeps the dictionary application name -> installed flag that the search
// engine's application filter and the browser list read.
//
// Each activation starts a query; when it has gathered, every known name is first marked not
// installed, each found application is marked installed, and an application not seen before in this
// run gets its record refreshed (or appended). The dictionary is read from "appdict_new" and saved to
// "appdict", so each run starts afresh and its first gathering brings back application records the
// user deleted. Gathering results are handled on the main thread; the dictionary may be read from any.
class AppInstalledManager {
 public:
  using InstalledBrowsersHandler = std::function<void(const Json& appItemDict)>;

  static constexpr const char* kLoadKey = "appdict_new";
  static constexpr const char* kSaveKey = "appdict";

  static AppInstalledManager& shared();

  // Unshared instances are for tests; each has its own query.
  AppInstalledManager();
  AppInstalledManager(const AppInstalledManager&) = delete;
  AppInstalledManager& operator=(const AppInstalledManager&) = delete;

  // Installed at start-up by the record store's side; without a store only the dictionary is kept.
  void setRecordStore(std::shared_ptr<AppRecordStore> store);
  // Receives the dictionary after every gathering (the application delegate updates the browser list).
  void setInstalledBrowsersHandler(InstalledBrowsersHandler handler);
  bool hasRecordStore() const;
  bool hasInstalledBrowsersHandler() const;

  // Starts a gathering; false while the previous one has not finished.
  bool startQuery();
  // Handles a finished gathering (called through the query's notification).
  void queryIsDoneGathering();
  const std::shared_ptr<DesktopEntryQuery>& appQuery() const { return appQuery_; }

  // A copy of the dictionary (loaded on first use); a JSON object of booleans.
  Json appItemDict();
  // Whether the dictionary maps `name` to true. Thread-safe, for the search filter.
  bool isInstalled(const std::string& name);
  // Stores the dictionary under "appdict".
  void saveAppItemDict();

  // The desktop entry of the application with this (percent-encoded) name: the path the last
  // gathering found, else the entry of that name in the first application folder that has one,
  // else "".
  std::string getAppPath(const std::string& name);
  // The web browsers the last gathering found, one per entry id, by their titles.
  std::vector<DesktopEntryItem> installedBrowsers();
  // What the application's desktop entry calls it ("Firefox ESR" for "firefox-esr"): from the last
  // gathering, else read from its entry, else the name itself.
  std::string applicationTitle(const std::string& name);

 private:
  std::map<std::string, bool>& appItemDictLocked();

  mutable std::mutex mutex_;
  std::shared_ptr<DesktopEntryQuery> appQuery_;
  std::optional<std::map<std::string, bool>> appItemDict_;
  // Name -> entry path of the last gathering, the first entry of a name winning.
  std::map<std::string, std::string> appPaths_;
  std::map<std::string, std::string> appTitles_;
  std::vector<DesktopEntryItem> browsers_;
  std::shared_ptr<AppRecordStore> store_;
  InstalledBrowsersHandler browsersHandler_;
  bool reportedNoStore_ = false;
  // Last, so the observation is removed before anything it uses is destroyed.
  Observation gatheringObservation_;
};

}  // namespace vl
