#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "launcher/RunningProcesses.h"

namespace vl::launcher {

// The whole launcher: started by the desktop at login, it starts the main program that lies beside it
// unless that program already runs for this user, and quits. It keeps no state between runs.
class AppDelegate {
 public:
  // The file name of the main program. Our executables are named "vellisto" and "vellisto-<role>", so
  // an exact file-name match picks the main program and never the launcher itself or a tool.
  static constexpr std::string_view kMainProgramName = "vellisto";
  // Installed layout: the launcher and the main program share a folder, so the main program's folder is
  // the launcher's own path without its last component (the launcher's file name).
  static constexpr int kComponentsToDrop = 1;

  enum class Outcome { AlreadyRunning, Launched, LaunchFailed, NoProgramPath };
  using LaunchFunction = std::function<bool(const std::string& path)>;

  // Reads the real /proc, its own executable and user id, and launches detached.
  AppDelegate();

  // Test seams: a fake proc folder, the path the launcher believes it has, the user, the launch.
  void setProcRoot(std::string procRoot) { procRoot_ = std::move(procRoot); }
  void setOwnPath(std::string ownPath) { ownPath_ = std::move(ownPath); }
  void setUserId(long uid) { uid_ = uid; }
  void setLaunchFunction(LaunchFunction launch) { launch_ = std::move(launch); }

  // One pass: the main program's path, the running check, the launch. Logs what it decided.
  Outcome applicationDidFinishLaunching();

  // The main program beside `ownPath`; nothing for a path that names no file in a folder (empty,
  // relative, "/" or ending in "/"), since launching from there would be a guess.
  static std::optional<std::string> mainProgramPath(std::string_view ownPath);
  // A process of user `uid` whose executable's file name is exactly the main program's. A process
  // whose executable cannot be read never counts, like an application without an identity.
  static bool isMainProgram(const RunningProcess& process, long uid);

 private:
  std::string procRoot_ = "/proc";
  std::string ownPath_;
  long uid_ = -1;
  LaunchFunction launch_;
};

}  // namespace vl::launcher
