#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Mutex.h"
#include "platform/system/desktop/Workspace.h"

namespace vl {

// Which application the user copies from: its name decides the security list and the auto-pick
// application rule. When this program itself is in front (its window was open at the copy), the
// application that was in front before it decides.
class AppMonitor {
 public:
  static constexpr const char* kOwnAppName = "Vellisto";

  static AppMonitor& shared();
  AppMonitor() = default;
  AppMonitor(const AppMonitor&) = delete;
  AppMonitor& operator=(const AppMonitor&) = delete;

  // The application in front, or nothing.
  std::optional<RunningApplication> activeApp() const;
  // The desktop entry's file name without a trailing ".desktop" (or ".app"), percent escapes decoded;
  // the application's own name when it has no entry path.
  static std::string getAppNameFrom(const RunningApplication& app);
  // The front application's name ("" when none is in front), remembered for auto-pick.
  std::string getActiveAppName();
  // True when the front application is on the security list of settings key 107.
  bool copiedFromSecurityApp();

  std::string lastActiveAppName() const;
  std::string lastActiveAppNameForAutoPick() const;

 private:
  static bool isSelf(const RunningApplication& app, const std::string& name);

  mutable Mutex mutex_;
  std::string lastActiveAppName_ VL_GUARDED_BY(mutex_);
  std::string lastActiveAppNameForAutoPick_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
