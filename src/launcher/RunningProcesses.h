#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vl::launcher {

// One process as /proc shows it. Fields that could not be read stay empty or -1: processes end while
// we look, kernel threads have no executable, and other users' executables are not readable.
struct RunningProcess {
  long pid = -1;
  // Real user id from the "Uid:" line of the status file.
  long uid = -1;
  // The kernel's short command name (status "Name:"); the process can change it, so it is only shown
  // in log lines, never trusted.
  std::string name;
  // Where /proc/<pid>/exe points, without the " (deleted)" mark of a replaced file.
  std::string executablePath;
};

// Every numbered entry of the proc folder, in the folder's order. A missing or unreadable folder
// gives an empty list.
std::vector<RunningProcess> runningProcesses(const std::string& procRoot = "/proc");

// The calling process's executable (symbolic links resolved by the kernel); "" when unknown.
std::string ownExecutablePath(const std::string& procRoot = "/proc");

// readlink() of an exe link, with the mark the kernel adds when the file was deleted or replaced
// after the process started (an upgrade under a running program) taken off.
std::string executableOfLink(const std::string& linkPath);

}  // namespace vl::launcher
