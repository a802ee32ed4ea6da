#pragma once

#include <string>

#include "platform/foundation/Json.h"

namespace vl {

// What the installed-application index needs of the record store. The store is built above this
// folder, so it implements this and installs it at start-up (AppInstalledManager::setRecordStore).
// Every call comes from the main thread; all of them work on the clipboard tab.
class AppRecordStore {
 public:
  virtual ~AppRecordStore() = default;

  // True when a record whose text is `name` exists; looking must not refresh the record's time.
  virtual bool hasApplicationRecord(const std::string& name) = 0;
  // Refreshes that record with the application json ({"app": true, "app_path": entry path}) when it is
  // an application record; any other record of that text is the user's copy and stays as it is. The record
  // keeps its time, so a refresh never moves it up the history.
  virtual void updateApplicationRecord(const std::string& name, const Json& json) = 0;
  // Appends a record with text `name`, no rich text, no alias and the application json.
  virtual void appendApplicationRecord(const std::string& name, const Json& json) = 0;
};

}  // namespace vl
