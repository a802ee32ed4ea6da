#include "launcher/AppDelegate.h"

#include <unistd.h>

#include <vector>

#include "launcher/DetachedLaunch.h"
#include "launcher/LauncherLog.h"

namespace vl::launcher {

AppDelegate::AppDelegate()
    : ownPath_(ownExecutablePath()), uid_(static_cast<long>(::getuid())), launch_(launchDetached) {}

std::optional<std::string> AppDelegate::mainProgramPath(std::string_view ownPath) {
  if (ownPath.empty() || ownPath.front() != '/' || ownPath.back() == '/') return std::nullopt;
  std::vector<std::string_view> components;
  std::size_t start = 1;
  while (start < ownPath.size()) {
    std::size_t end = ownPath.find('/', start);
    if (end == std::string_view::npos) end = ownPath.size();
    if (end > start) components.push_back(ownPath.substr(start, end - start));
    start = end + 1;
  }
  if (components.size() < static_cast<std::size_t>(kComponentsToDrop)) return std::nullopt;
  components.resize(components.size() - kComponentsToDrop);
  std::string path;
  for (std::string_view component : components) {
    path += '/';
    path += component;
  }
  path += '/';
  path += kMainProgramName;
  return path;
}

bool AppDelegate::isMainProgram(const RunningProcess& process, long uid) {
  if (process.uid != uid || process.executablePath.empty()) return false;
  std::string_view exe(process.executablePath);
  std::size_t slash = exe.rfind('/');
  std::string_view fileName = slash == std::string_view::npos ? exe : exe.substr(slash + 1);
  return fileName == kMainProgramName;
}

AppDelegate::Outcome AppDelegate::applicationDidFinishLaunching() {
  std::optional<std::string> program = mainProgramPath(ownPath_);
  if (!program) {
    logf("cannot tell where the program lies from the launcher's path \"%s\"; nothing started",
         ownPath_.c_str());
    return Outcome::NoProgramPath;
  }
  // A launcher installed under the main program's own name would otherwise start itself for ever.
  if (*program == ownPath_) {
    logf("the launcher itself is named %s; nothing started", program->c_str());
    return Outcome::NoProgramPath;
  }
  for (const RunningProcess& process : runningProcesses(procRoot_)) {
    if (isMainProgram(process, uid_)) {
      logf("already running as process %ld (%s)", process.pid, process.executablePath.c_str());
      return Outcome::AlreadyRunning;
    }
  }
  if (!launch_ || !launch_(*program)) return Outcome::LaunchFailed;
  logf("started %s", program->c_str());
  return Outcome::Launched;
}

}  // namespace vl::launcher
